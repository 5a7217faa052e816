// The engine over simulated geometries: genuine sticks of every interval class, counterfeits
// that lose what lies past their real memory, read errors, single bad sectors, the mismatch cap.
#include <cstdint>
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quicktest/MarkerBlock.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using platform::sim::FakeKind;
using platform::sim::LimboFill;
using platform::sim::SimDriveSpec;

struct EngineRow {
  const char* name;
  std::uint64_t announced;
  std::uint64_t real;  // 0: genuine
  LimboFill fill;
  bool readErrors;
  // Expected:
  TestEnd end;
  std::int64_t interval;
  std::int64_t checked;
  std::int64_t mismatches;
  std::int64_t minBad;
  std::int64_t maxBad;
  double recommendedMiB;
  bool noMemoryWarning;
};

// Expected values worked out by hand from the marker positions N - 1 - k x interval and the
// real memory: a limbo fake loses every marker at or above real / 512.
const EngineRow kRows[] = {
    {"genuine 8 GB", 8 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 51200, 305, 0, 0, 0, 0, false},
    {"genuine 16 GB", 16 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 102400, 305, 0, 0, 0, 0, false},
    {"genuine 64 GB", 64 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 409600, 305, 0, 0, 0, 0, false},
    {"genuine 256 GB", 256 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 1638400, 305, 0, 0, 0, 0, false},
    {"genuine 2 TB", 2000 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 1638400, 2384, 0, 0, 0, 0, false},
    {"just below 14 GB", 13'999'999'488, 0, LimboFill::Zeros, false, TestEnd::Passed, 51200, 534, 0, 0, 0, 0, false},
    {"exactly 14 GB", 14 * GB, 0, LimboFill::Zeros, false, TestEnd::Passed, 102400, 267, 0, 0, 0, 0, false},
    // 64 cylinders: not a whole number of 25 MiB intervals, so the lowest marker is not read.
    {"genuine 64 cylinders", 64 * kCylinder, 0, LimboFill::Zeros, false, TestEnd::Passed, 51200, 20, 0, 0, 0, 0, false},
    {"limbo 32 GB holding 8 GB", 32 * GB, 8 * GB, LimboFill::Zeros, false, TestEnd::Failed, 204800, 305, 230,
     15805599, 62499999, 7617.57763671875, true},
    {"limbo 16 GB holding 4 GB", 16 * GB, 4 * GB, LimboFill::Zeros, false, TestEnd::Failed, 102400, 305, 230,
     7902799, 31249999, 3808.78857421875, true},
    {"limbo 64 GB holding 16 GB, erased reads", 64 * GB, 16 * GB, LimboFill::Ones, false, TestEnd::Failed,
     409600, 305, 230, 31611199, 124999999, 15235.15576171875, false},
    {"limbo 2 TB holding 32 GB", 2000 * GB, 32 * GB, LimboFill::Zeros, false, TestEnd::Failed, 1638400, 2384,
     2348, 62563599, 3906249999, 29748.63232421875, true},
    {"limbo 64 cylinders holding 256 MiB", 64 * kCylinder, 256 << 20, LimboFill::Zeros, false, TestEnd::Failed,
     51200, 20, 11, 567359, 1028159, 252.03076171875, true},
    // A failed read keeps the block read before it (sector 0's marker), so no WARNING line.
    {"read errors past 8 GB of 32 GB", 32 * GB, 8 * GB, LimboFill::Zeros, true, TestEnd::Failed, 204800, 305,
     230, 15805599, 62499999, 7617.57763671875, false},
    // Only the last sector is missing: recorded by the loop and by the final check.
    {"only sector N - 1 bad", 16 * GB, 16 * GB - 512, LimboFill::Zeros, false, TestEnd::Failed, 102400, 305, 2,
     31249999, 31249999, 15208.78857421875, true},
    // More than 50,000 mismatches: every marker is still read, so the bad range reaches down
    // to the real memory.
    {"limbo 42 TB holding 1 GB", 42000 * GB, 1 * GB, LimboFill::Zeros, false, TestEnd::Failed, 1638400, 50067,
     50068, 3115599, 82031249999, 721.28857421875, true},
};

class EngineTable : public QuickTestFixture, public ::testing::WithParamInterface<EngineRow> {};

TEST_P(EngineTable, VerdictBadRangeAndRecommendedSize) {
  const EngineRow& row = GetParam();
  SimDriveSpec config;
  config.announcedBytes = row.announced;
  config.realBytes = row.real;
  config.kind = row.real == 0 ? FakeKind::Good : FakeKind::Limbo;
  config.limboFill = row.fill;
  config.readErrorsPastReal = row.readErrors;
  AddStick(config);

  const QuickTestResult r = RunEngine(row.announced);

  EXPECT_EQ(r.end, row.end);
  EXPECT_EQ(r.TotalSectors, static_cast<std::int64_t>(row.announced / 512));
  EXPECT_EQ(r.IntervalSectors, row.interval);
  EXPECT_EQ(r.SectorsChecked, row.checked);
  EXPECT_EQ(r.MismatchCount, row.mismatches);
  EXPECT_EQ(LineStartingWith("Writing marker blocks to drive 1 at "),
            "Writing marker blocks to drive 1 at " + std::to_string(row.interval / 2048) + "MiB intervals.");
  EXPECT_EQ(CountLinesStartingWith("WARNING: no memory detected"), row.noMemoryWarning ? 1 : 0);
  EXPECT_TRUE(AllBytes(Sector(0), 0)) << "sector 0 is left zeroed";
  if (row.end == TestEnd::Passed) {
    EXPECT_EQ(LineStartingWith("BAD MEMORY"), "");
    EXPECT_EQ(LineStartingWith("Memory tested in blocks of"), "");
    return;
  }
  EXPECT_EQ(r.MinBadSector, row.minBad);
  EXPECT_EQ(r.MaxBadSector, row.maxBad);
  EXPECT_DOUBLE_EQ(r.RecommendedMiB, row.recommendedMiB);
  const double realBytes = static_cast<double>(row.real == 0 ? row.announced : row.real);
  EXPECT_LE(r.RecommendedMiB * 1048576.0, realBytes + static_cast<double>(row.interval) * 512)
      << "recommends more than the real memory";
  EXPECT_EQ(LineStartingWith("Memory tested in blocks of "),
            "Memory tested in blocks of " + std::to_string(row.interval) + " sectors [" +
                std::to_string(row.checked) + "sectors checked].");
  EXPECT_EQ(LineStartingWith("BAD MEMORY from sector ").rfind(
                "BAD MEMORY from sector " + std::to_string(row.minBad) + " (", 0),
            0u);
}

INSTANTIATE_TEST_SUITE_P(Geometries, EngineTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<EngineRow>& row) {
                           std::string name;
                           for (const char* c = row.param.name; *c != 0; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

using Engine = QuickTestFixture;

TEST_F(Engine, WritesEachMarkerOnceButTheLastTwiceAndReadsEachTwiceThenChecksForACache) {
  SimDriveSpec config;
  config.announcedBytes = 16 * GB;
  AddStick(config);
  const QuickTestResult r = RunEngine(16 * GB);
  ASSERT_EQ(r.end, TestEnd::Passed);
  // 306 markers (k x 102,400 < 31,250,000), N - 1 once more before the pass, sector 0's wipe,
  // its marker and its zeroing.
  // The cache check then floods 64 MiB (131,072 sectors) and writes one block per marker,
  // sector 0 included (307), 2^23 sectors away.
  EXPECT_EQ(sim.Stats().sectorWrites, 306u + 1 + 3 + 131072 + 307);
  // 305 markers read twice, then N - 1 and 0 once each, then the 14 powers of two from
  // 2,048 to 16,777,216 that look for wrapped addresses, then the 307 markers once more.
  EXPECT_EQ(sim.Stats().sectorReads, 305u * 2 + 2 + 14 + 307);
  EXPECT_EQ(LineStartingWith("WRITE CACHE FOUND"), "") << "a genuine drive has no cache to report";
}

TEST_F(Engine, MarkersLieOneIntervalApartCountedDownFromTheLastSector) {
  SimDriveSpec config;
  config.announcedBytes = 64 * kCylinder;  // 1,028,160 sectors, 25 MiB intervals
  AddStick(config);
  ASSERT_EQ(RunEngine(64 * kCylinder).end, TestEnd::Passed);
  for (std::int64_t sector : {1028159LL, 976959LL, 55359LL, 4159LL}) {
    const auto block = Sector(static_cast<std::uint64_t>(sector));
    EXPECT_EQ(GetMarkerNumber(block), sector);
    EXPECT_EQ(block[511], 0xFF);
  }
  EXPECT_EQ(GetMarkerNumber(Sector(55358)), -1) << "only marker sectors are written";
  EXPECT_EQ(GetMarkerNumber(Sector(1028158)), 1028158) << "the cache flood starts right below N - 1";
}

// Counterfeits whose addresses wrap: markers 100 MiB apart never land on one another in a
// memory of 2^k bytes, so only the probe of the power-of-two sectors (which alias sector 0 and
// its marker 0) can catch them. Worked out by hand: a 32 GB drive has N = 62,500,000 and odd
// marker positions, so no marker sits on a multiple of the real size.
struct WrapRow {
  const char* name;
  FakeKind kind;
  std::uint64_t real;
  std::int64_t mismatches;
  std::int64_t minBad;
  std::int64_t maxBad;
  double recommendedMiB;
  bool noMemoryWarning;
};

TEST_F(Engine, WrappingCounterfeitsFailAtTheirRealSize) {
  const WrapRow rows[] = {
      // 8 GiB = 16,777,216 sectors: the probes at 2^24 and 2^25 read marker 0, and after the
      // cache flood a low marker reads a flood block from 3 x 2^24 above it, the same place.
      // The bad range runs to the last sector, as everything past the wrap is.
      {"wraparound 32 GB holding 8 GiB", FakeKind::Wraparound, 8ull << 30, 3, 16777216, 62499999, 8092.0, false},
      // 1 GiB: markers 256 intervals apart share a place, so the top 50 read back the number of
      // the marker written over them (and N - 1 again in the final check); the probes at 2^21
      // to 2^25 read marker 0.
      {"wraparound 32 GB holding 1 GiB", FakeKind::Wraparound, 1ull << 30, 56, 2097152, 62499999, 924.0, false},
      // Chain at 4 GiB: wraps below 8 GiB, loses everything above (224 markers and N - 1 read
      // as zeros), and the probe at 2^23 reads marker 0.
      {"chain 32 GB holding 4 GiB", FakeKind::Chain, 4ull << 30, 226, 8388608, 62499999, 3996.0, true},
  };
  for (const WrapRow& row : rows) {
    SCOPED_TRACE(row.name);
    win.SetText(core::Control::Text1, "");
    win.boxes.clear();
    SimDriveSpec config;
    config.announcedBytes = 32 * GB;
    config.realBytes = row.real;
    config.kind = row.kind;
    AddStick(config);
    const QuickTestResult r = RunEngine(32 * GB);
    EXPECT_EQ(r.end, TestEnd::Failed);
    EXPECT_EQ(r.MismatchCount, row.mismatches);
    EXPECT_EQ(r.MinBadSector, row.minBad);
    EXPECT_EQ(r.MaxBadSector, row.maxBad);
    EXPECT_DOUBLE_EQ(r.RecommendedMiB, row.recommendedMiB);
    EXPECT_LE(r.RecommendedMiB * 1048576.0, static_cast<double>(row.real)) << "recommends more than the real memory";
    EXPECT_EQ(CountLinesStartingWith("WARNING: no memory detected"), row.noMemoryWarning ? 1 : 0);
    EXPECT_EQ(sim.OpenHandleCount(), 0);
    EXPECT_EQ(sim.LockedVolumeCount(), 0);
  }
}

// Old data on a genuine drive that merely begins like marker 0 (eight bytes 00 .. 00 80, as a
// little-endian 2^63 would) is no evidence of wrapped addresses.
TEST_F(Engine, OldDataThatBeginsLikeMarkerZeroIsNoWrap) {
  SimDriveSpec config;
  config.announcedBytes = 16 * GB;
  AddStick(config);
  platform::Handle h = sim.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE,
                                       3, win::OPEN_EXISTING, 0);
  ASSERT_NE(h, platform::kInvalidHandle);
  std::vector<std::uint8_t> block(512, 0x11);
  std::fill(block.begin(), block.begin() + 7, 0);
  block[7] = 0x80;
  std::uint32_t done = 0;
  ASSERT_TRUE(sim.SetFilePointerEx(h, (1 << 20) * 512LL, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(sim.WriteFile(h, block, done));
  sim.CloseHandle(h);

  const QuickTestResult r = RunEngine(16 * GB);
  EXPECT_EQ(r.end, TestEnd::Passed);
  EXPECT_EQ(r.MismatchCount, 0);
}

// Only sector 0 fails to read back: the lowest bad sector lies below one interval, so nothing
// below it is known to be good and the recommended size is 0 rather than minus one interval.
TEST_F(Engine, OnlySectorZeroBadRecommendsNothing) {
  SimDriveSpec config;
  config.announcedBytes = 16 * GB;
  AddStick(config);
  os.failRead = [](std::int64_t sector) { return sector == 0; };
  const QuickTestResult r = RunEngine(16 * GB);
  EXPECT_EQ(r.end, TestEnd::Failed);
  EXPECT_EQ(r.MismatchCount, 1);
  EXPECT_EQ(r.MinBadSector, 0);
  EXPECT_EQ(r.MaxBadSector, 0);
  EXPECT_EQ(r.RecommendedMiB, 0.0);
  EXPECT_EQ(LineStartingWith("*** ERROR *** at Sector "), "*** ERROR *** at Sector 0");
  EXPECT_EQ(LineStartingWith("BAD MEMORY"), "BAD MEMORY from sector 0 (0.0MiB) to sector 0 (0.0Mib)");
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_NE(win.boxes[0].prompt.find("Recommended maximum usable partition size: 0.0Mib (approx. Last good "
                                     "Sector=0)"),
            std::string::npos);
}

// A failed read of N - 1 right after a good one leaves that sector's own marker in the buffer;
// the failure must still count against the drive.
TEST_F(Engine, FailedFinalReadIsBadEvenWhenTheBufferHoldsTheRightNumber) {
  SimDriveSpec config;
  config.announcedBytes = 6 * kCylinder;  // 96,390 sectors: the read-back loop reads N - 1 only
  AddStick(config);
  const std::int64_t last = 96389;
  int readsOfLast = 0;
  // The final check's read and its retry fail.
  os.failRead = [&](std::int64_t sector) {
    if (sector != last) return false;
    ++readsOfLast;
    return readsOfLast == 3 || readsOfLast == 4;
  };
  const QuickTestResult r = RunEngine(6 * kCylinder);
  EXPECT_EQ(readsOfLast, 5) << "the loop's two reads, the final check twice, the cache check";
  EXPECT_EQ(r.SectorsChecked, 1);
  EXPECT_EQ(r.end, TestEnd::Failed);
  EXPECT_EQ(r.MismatchCount, 1);
  EXPECT_EQ(r.MinBadSector, last);
  EXPECT_EQ(LineStartingWith("*** ERROR *** at Sector "), "*** ERROR *** at Sector 96389");
}

TEST_F(Engine, DriveSmallerThanOneIntervalEndsBothPassesAtOneHundredPercent) {
  SimDriveSpec config;
  config.announcedBytes = 3 * kCylinder;  // 48,195 sectors, less than one 25 MiB interval
  AddStick(config);
  const QuickTestResult r = RunEngine(3 * kCylinder);
  EXPECT_EQ(r.end, TestEnd::Passed);
  EXPECT_EQ(r.SectorsChecked, 1);
  const std::vector<std::string> lines = win.Lines();
  const auto readBack = std::find(lines.begin(), lines.end(), "Reading back marker blocks...");
  ASSERT_NE(readBack, lines.end());
  EXPECT_EQ(*(readBack - 1), "100% complete  - 0 min 1 sec remaining");
  EXPECT_EQ(*(readBack + 1), "100% complete - 0 min 1 sec remaining");
}

TEST_F(Engine, RefusesDriveZeroDriveEightyOneAndTheSystemDisk) {
  SimDriveSpec config;
  config.announcedBytes = 16 * GB;
  AddStick(config);
  sim.AddDrive(2, config);
  sim.SetSystemDisk(2);
  for (std::int32_t disk : {0, 81, 2, -1}) {
    ctx.state.DiskNumber = disk;
    ctx.state.DriveSizeBytes = 16e9;
    EXPECT_EQ(QuickSizeTest(ctx).end, TestEnd::NotStarted) << disk;
  }
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
  EXPECT_EQ(win.yields, 0);
  EXPECT_EQ(win.Text(core::Control::Text1), "");
}

}  // namespace
}  // namespace sw::quicktest
