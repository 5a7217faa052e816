// kernel32 through the seam for the machine-wide questions: drive letters, the system volume's
// free space and label, the clock and the user's formats.
#include "platform/win32/Win32Os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

namespace sw::platform::win32 {
namespace {

TEST(Win32OsSystem, LogicalDrivesAreDesignatorsInLetterOrder) {
  Win32Os os;
  std::vector<std::string> letters = os.LogicalDrives();
  EXPECT_NE(std::find(letters.begin(), letters.end(), "C:"), letters.end());
  EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()));
  for (const std::string& d : letters) {
    ASSERT_EQ(d.size(), 2u) << d;
    EXPECT_TRUE(d[0] >= 'A' && d[0] <= 'Z' && d[1] == ':') << d;
  }
}

TEST(Win32OsSystem, SystemVolumeAnswersSizeAndLabelQueries) {
  Win32Os os;
  std::uint64_t caller = 0, total = 0, free = 0;
  ASSERT_TRUE(os.GetDiskFreeSpaceExA("C:\\", caller, total, free));
  EXPECT_GT(total, 0u);
  EXPECT_LE(caller, total);
  EXPECT_LE(free, total);

  // The drive list passes a bare designator; the provider must still find the volume.
  for (const char* root : {"C:", "C:\\"}) {
    char label[14];
    std::fill(std::begin(label), std::end(label), ' ');
    char fsName[32] = {};
    std::uint32_t serial = 0, maxLen = 0, flags = 0;
    ASSERT_TRUE(os.GetVolumeInformationA(root, label, serial, maxLen, flags, fsName)) << root;
    EXPECT_GT(maxLen, 0u) << root;
    EXPECT_NE(std::string(fsName), "") << root;
    EXPECT_NE(std::find(std::begin(label), std::end(label), '\0'), std::end(label)) << root;
  }

  std::uint64_t unchanged = 12345;
  EXPECT_FALSE(os.GetDiskFreeSpaceExA("Q:\\no\\such\\folder\\", unchanged, total, free));
  EXPECT_EQ(unchanged, 12345u);
}

TEST(Win32OsSystem, ClockCountsLocalSecondsAndTicks) {
  Win32Os os;
  // Local seconds differ from UTC seconds by the zone offset: whole quarter hours, at most 14 h.
  std::int64_t offset = os.Now() - static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_LE(std::abs(offset), 14 * 3600 + 2);
  std::int64_t fromQuarter = ((offset % 900) + 900) % 900;
  EXPECT_TRUE(fromQuarter <= 2 || fromQuarter >= 898) << offset;

  LocalTime before = os.Now();
  std::uint32_t ticks = os.GetTickCount();
  os.Sleep(1100);
  std::uint32_t elapsed = os.GetTickCount() - ticks;
  LocalTime after = os.Now();
  EXPECT_GE(elapsed, 1050u);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_GE(after - before, 1);
  EXPECT_LE(after - before, 10);
}

TEST(Win32OsSystem, GeneralDateShowsTheDateAndTheTimeToTheSecond) {
  Win32Os os;
  struct Row {
    LocalTime t;
    const char* year;
    const char* minutesSeconds;
  };
  const Row rows[] = {
      {1796736896, "2026", "34:56"},  // 2026-12-08 13:34:56
      {951782400, "2000", "00:00"},   // 2000-02-29 00:00:00
      {0, "1970", "00:00"},
  };
  for (const Row& r : rows) {
    std::string text = os.GeneralDate(r.t);
    EXPECT_NE(text.find(r.year), std::string::npos) << text;
    EXPECT_NE(text.find(r.minutesSeconds), std::string::npos) << text;
    EXPECT_NE(text.find(' '), std::string::npos) << text;
  }
  EXPECT_NE(os.GeneralDate(os.Now()), "");
}

TEST(Win32OsSystem, UserNumberFormatHasTwoDistinctSeparators) {
  Win32Os os;
  NumberFormat f = os.UserNumberFormat();
  EXPECT_FALSE(f.decimal.empty());
  EXPECT_NE(f.thousands, f.decimal);
}

}  // namespace
}  // namespace sw::platform::win32
