// The marker block's byte layout, the interval table and the progress line's arithmetic.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quicktest/MarkerBlock.h"
#include "quicktest/ProgressLine.h"
#include "quicktest/QuickSizeTest.h"

namespace sw::quicktest {
namespace {

using Block = std::array<std::uint8_t, 512>;

Block Filled(std::uint8_t value) {
  Block b;
  b.fill(value);
  return b;
}

struct MarkerRow {
  std::int64_t number;
  std::array<std::uint8_t, 8> bytes;
};

TEST(MarkerBlock, WritesTheNumberLittleEndianWithTheFlagInByteSeven) {
  const MarkerRow rows[] = {
      {1000000, {0x40, 0x42, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x80}},
      {0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}},
      {3'906'249'999, {0x0F, 0xA5, 0xD4, 0xE8, 0x00, 0x00, 0x00, 0x80}},  // last sector of 2 TB
      {0x0123456789ABCDEF, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x81}},
  };
  for (const MarkerRow& row : rows) {
    Block b = Filled(0xFF);
    SetMarkerNumber(row.number, b);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(b[i], row.bytes[i]) << row.number << " byte " << i;
    for (std::size_t i = 8; i < b.size(); ++i) ASSERT_EQ(b[i], 0xFF) << "byte " << i << " touched";
    EXPECT_EQ(GetMarkerNumber(b), row.number);
  }
}

TEST(MarkerBlock, LeavesBytesPastTheMarkerAsTheyWere) {
  Block b = Filled(0x5A);
  SetMarkerNumber(7, b);
  EXPECT_EQ(b[8], 0x5A);
  EXPECT_EQ(b[511], 0x5A);
}

TEST(MarkerBlock, ReadsUnflaggedBlocksAsNoMarker) {
  EXPECT_EQ(GetMarkerNumber(Filled(0x00)), -1);
  Block b = Filled(0xFF);
  b[7] = 0x7F;
  EXPECT_EQ(GetMarkerNumber(b), -1);
  // An erased (all 0xFF) block carries the flag and a number that matches no sector.
  EXPECT_EQ(GetMarkerNumber(Filled(0xFF)), INT64_MAX);
}

struct IntervalRow {
  double bytes;
  std::int64_t sectors;
};

TEST(IntervalTable, ChoosesTheSpacingFromTheDecimalSize) {
  const IntervalRow rows[] = {
      {526'417'920, 51200},          {8'000'000'000, 51200},
      {13'999'999'488, 51200},       {14'000'000'000, 102400},
      {16'000'000'000, 102400},      {28'999'999'488, 102400},
      {29'000'000'000, 204800},      {58'999'999'488, 204800},
      {59'000'000'000, 409600},      {124'999'999'488, 409600},
      {125'000'000'000, 819200},     {248'999'999'488, 819200},
      {249'000'000'000, 1638400},    {2'000'000'000'000, 1638400},
  };
  for (const IntervalRow& row : rows) {
    EXPECT_EQ(ChooseIntervalSectors(row.bytes), row.sectors) << static_cast<std::int64_t>(row.bytes);
  }
}

TEST(ProgressLine, TimeTextAddsASecondAndSplitsMinutes) {
  EXPECT_EQ(TimeRemainingText(0), "0 min 1 sec");
  EXPECT_EQ(TimeRemainingText(0.99), "0 min 1 sec");
  EXPECT_EQ(TimeRemainingText(-3), "0 min 1 sec");
  EXPECT_EQ(TimeRemainingText(1), "0 min 2 sec ");
  EXPECT_EQ(TimeRemainingText(59.5), "1 min 0 sec ");
  EXPECT_EQ(TimeRemainingText(126.4), "2 min 7 sec ");
  EXPECT_EQ(TimeRemainingText(3600), "60 min 1 sec ");
}

TEST(ProgressLine, WholeLineForEachPass) {
  // 35 % done after 68 s: 68 x 65 / 35 = 126.29 s still to go.
  EXPECT_EQ(ProgressLine(35, "% complete  - ", 68, 65, 100), "\r\n35% complete  - 2 min 7 sec  remaining");
  EXPECT_EQ(ProgressLine(100, "% complete  - ", 90, 0, 100), "\r\n100% complete  - 0 min 1 sec remaining");
  EXPECT_EQ(ProgressLine(5, "% complete - ", 0, 95, 100), "\r\n5% complete - 0 min 1 sec remaining");
}

TEST(ProgressLine, PercentIsCutNotRounded) {
  EXPECT_EQ(PercentDone(100, 100), 0);
  EXPECT_EQ(PercentDone(0, 100), 100);
  EXPECT_EQ(PercentDone(1, 3), 66);
  EXPECT_EQ(PercentDone(2, 3), 33);
}

}  // namespace
}  // namespace sw::quicktest
