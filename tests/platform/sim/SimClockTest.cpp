// The virtual clock and the general date format of the simulated machine.
#include <gtest/gtest.h>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimOs.h"

namespace sw::platform::sim {
namespace {

TEST(SimClock, GeneralDateIsTheUsFormatWithoutTimeZone) {
  struct Row {
    LocalTime t;
    const char* text;
  };
  const Row rows[] = {
      {0, "1/1/1970 12:00:00 AM"},
      {LocalTimeOf(2026, 12, 8, 10, 0, 0), "12/8/2026 10:00:00 AM"},
      {LocalTimeOf(2026, 12, 8, 0, 0, 1), "12/8/2026 12:00:01 AM"},
      {LocalTimeOf(2026, 12, 8, 12, 0, 0), "12/8/2026 12:00:00 PM"},
      {LocalTimeOf(2026, 12, 8, 13, 5, 9), "12/8/2026 1:05:09 PM"},
      {LocalTimeOf(2026, 12, 31, 23, 59, 59), "12/31/2026 11:59:59 PM"},
      {LocalTimeOf(2028, 2, 29, 6, 30, 0), "2/29/2028 6:30:00 AM"},
      {LocalTimeOf(2000, 3, 1, 0, 0, 0), "3/1/2000 12:00:00 AM"},
      {-1, "12/31/1969 11:59:59 PM"},
  };
  SimOs os;
  for (const Row& row : rows) EXPECT_EQ(os.GeneralDate(row.t), row.text);
  EXPECT_EQ(LocalTimeOf(2000, 3, 1, 0, 0, 0) - LocalTimeOf(2000, 2, 28, 0, 0, 0), 2 * 86'400);
}

TEST(SimClock, StartsOnAFixedDateAndMovesOnlyWhenTold) {
  SimOs os;
  EXPECT_EQ(os.GeneralDate(os.Now()), "12/8/2026 10:00:00 AM");
  const std::uint32_t ticks = os.GetTickCount();
  EXPECT_EQ(os.GetTickCount(), ticks);
  os.Sleep(500);
  EXPECT_EQ(os.GetTickCount(), ticks + 500);
  EXPECT_EQ(os.GeneralDate(os.Now()), "12/8/2026 10:00:00 AM");
  os.Sleep(500);
  EXPECT_EQ(os.GeneralDate(os.Now()), "12/8/2026 10:00:01 AM");
  os.Advance(3'600'000);
  EXPECT_EQ(os.GeneralDate(os.Now()), "12/8/2026 11:00:01 AM");
  EXPECT_EQ(os.GetTickCount(), ticks + 3'601'000);
}

TEST(SimClock, SetNowMovesTheWallClockAndKeepsTicks) {
  SimOs os;
  const std::uint32_t ticks = os.GetTickCount();
  os.SetNow(LocalTimeOf(2027, 1, 1, 23, 59, 58));
  EXPECT_EQ(os.GetTickCount(), ticks);
  os.Sleep(2'000);
  EXPECT_EQ(os.GeneralDate(os.Now()), "1/2/2027 12:00:00 AM");
}

}  // namespace
}  // namespace sw::platform::sim
