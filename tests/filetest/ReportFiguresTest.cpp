// The run's arithmetic and formats: locale patterns, durations, rounding, the remaining-time
// estimate, and the MB figures with the verdict.
#include <gtest/gtest.h>

#include "filetest/ReportFormat.h"
#include "filetest/TestFileWriter.h"
#include "filetest/VolumeTestFigures.h"

namespace sw::filetest {
namespace {

const platform::NumberFormat kUs{",", "."};
const platform::NumberFormat kGerman{".", ","};

TEST(ReportFormat, RoundingSendsHalvesToEven) {
  const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},       {2.5, 2},      {3.5, 4},
                                             {2.4, 2},   {2.6, 3},       {0, 0},        {-0.5, -0},
                                             {-1.5, -2}, {2050.5, 2050}, {2051.5, 2052}};
  for (const auto& [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

TEST(ReportFormat, ThousandsPattern) {
  const std::tuple<double, platform::NumberFormat, const char*> cases[] = {
      {200, kUs, "200"},
      {1000, kUs, "1,000"},
      {7644, kUs, "7,644"},
      {123456789, kUs, "123,456,789"},
      {1234567890, kUs, "1,234,567,890"},
      {2050, kGerman, "2.050"},
      {0, kUs, ""},
      {999, kGerman, "999"}};
  for (const auto& [in, format, out] : cases) EXPECT_EQ(FormatThousands(in, format), out) << in;
}

TEST(ReportFormat, UpToTwoDecimalsAlwaysShowsTheSeparator) {
  const std::tuple<double, platform::NumberFormat, const char*> cases[] = {
      {100, kUs, "100."},
      {0.5, kUs, ".5"},              // 524,288 bytes
      {1024 / 1048576.0, kUs, "."},  // 1,024 bytes
      {0.001, kUs, "."},
      {50, kUs, "50."},
      {199.99, kUs, "199.99"},
      {12.3456, kUs, "12.35"},
      {12.5, kGerman, "12,5"},
      {1234.5, kGerman, "1.234,5"},
      {0.999, kUs, "1."},
      {7.1, kUs, "7.1"}};
  for (const auto& [in, format, out] : cases) {
    EXPECT_EQ(FormatUpToTwoDecimals(in, format), out) << in;
  }
}

TEST(ReportFormat, DurationsAreTimesOfDay) {
  const std::pair<double, const char*> cases[] = {
      {0, "00:00:00"},     {59, "00:00:59"},    {61, "00:01:01"},    {3600, "01:00:00"},
      {86399, "23:59:59"}, {86400, "00:00:00"}, {90061, "01:01:01"}, {100.5, "00:01:40"},
      {101.5, "00:01:42"}, {250.4, "00:04:10"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(FormatHms(in), out) << in;
}

TEST(ReportFormat, GeneralFormHasUpToFifteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {{7633.5, "7633.5"},
                                                  {200, "200"},
                                                  {7844.23828125, "7844.23828125"},
                                                  {1.0 / 3.0, "0.333333333333333"},
                                                  {30518.796875, "30518.796875"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(FormatGeneral(in), out) << in;
}

TEST(RemainingEstimate, WritesLeftAtThePaceSoFarPlusTheVerificationToCome) {
  constexpr double F = 209'715'200;  // a full file
  struct Case {
    const char* what;
    std::int32_t count;  // TestFileCount (the last file included once it is being written)
    std::int32_t lastSize;
    double plannedLast;
    double verifiedBytes, verifySeconds;
    double elapsed;
    std::int32_t n;
    double remaining;
  };
  const Case cases[] = {
      // 100 s per file so far; a third of that per file verified until a check has measured it.
      {"two full files left", 3, 0, 0, 0, 0, 100, 2, 200 + 100},
      {"and a half-size last file", 3, 0, F / 2, 0, 0, 100, 2, 250 + 350.0 / 3},
      {"the check after file 15 re-reads 15 files", 15, 0, 0, 0, 0, 100, 2, 1400 + 1000},
      {"the last file, pace measured by the check", 16, static_cast<std::int32_t>(F / 4), 0,
       15 * F, 30, 1500, 16, 25 + 30.5},
      {"checks after 25, 45 and 85 ahead, measured pace", 100, 0, 0, 15 * F, 150, 1900, 20,
       8100 + 2550},
      {"nothing written yet", 3, 0, 0, 0, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    core::State s;
    s.TestFileCount = c.count;
    s.LastFileSize = c.lastSize;
    s.PlannedLastFileBytes = c.plannedLast;
    s.VerifiedBytes = c.verifiedBytes;
    s.VerifySeconds = c.verifySeconds;
    EXPECT_DOUBLE_EQ(EstimateRemaining(s, c.elapsed, c.n), c.remaining) << c.what;
  }
}

TEST(VolumeTestFigures, TestedGoodAndVerdict) {
  struct Case {
    std::int32_t written, count, good, lastSize;
    std::int64_t tested, mbGood;
    bool passed, fake;
  };
  const Case cases[] = {
      {10, 11, 11, 52'428'800, 2050, 2050, true, false},  // 10 full files and a 50 MB last one
      {1, 1, 1, 0, 200, 200, true, false},                // exactly 200 MB free
      {3, 4, 4, 524'288, 600, 600, true, false},          // 600.5 rounds to even
      {3, 4, 4, 1'572'864, 602, 602, true, false},        // 601.5 rounds to even
      {0, 1, 0, 0, 0, 0, false, true},                    // write failure on file 1
      {6, 6, 4, 0, 1200, 800, false, true},               // exactly two thirds: fake
      {6, 6, 5, 0, 1200, 1000, false, false},             // five of six: faulty
      {3, 4, 3, 104'857'600, 700, 600, false, false},     // last file bad
      {3, 4, 3, 0, 600, 600, false, false},               // last file failed to write
      {15, 20, 10, 0, 3000, 2000, false, true},           // data error at the first check
  };
  for (const Case& c : cases) {
    const VolumeTestFigures f = ComputeFigures(c.written, c.count, c.good, c.lastSize);
    EXPECT_EQ(f.mbTested, c.tested) << c.written << "/" << c.count << "/" << c.good;
    EXPECT_EQ(f.mbGood, c.mbGood) << c.written << "/" << c.count << "/" << c.good;
    EXPECT_EQ(f.passed, c.passed) << c.written << "/" << c.count << "/" << c.good;
    EXPECT_EQ(f.probablyFake, c.fake) << c.written << "/" << c.count << "/" << c.good;
  }
}

}  // namespace
}  // namespace sw::filetest
