// The full-surface engine's speed figures along the drive, and its ways out: Cancel at any step,
// a drive pulled out while it writes, a drive that reads nothing.
#include <string>
#include <vector>

#include "core/Progress.h"
#include "surface/SurfaceFixture.h"

namespace sw::surface {
namespace {

// The write speed collapses where a fast start ends: 64 regions of 1 MiB on a 64 MiB drive.
TEST(SurfaceSpeed, TheFirstRegionWhoseWritesCollapseIsFound) {
  struct Row {
    const char* description;
    std::int32_t collapse;  // region; -1: none
  };
  for (const Row row : {Row{"E:64Mi:speed=10M", -1}, Row{"E:64Mi:speed=10M:fast=8Mi", 8},
                        Row{"E:64Mi:speed=10M:fast=20Mi", 20},
                        // Half of region 8 fast: it writes at 1/2.5 of the speed before, no
                        // collapse yet; region 9 at a quarter is.
                        Row{"E:64Mi:speed=10M:fast=8.5Mi", 9},
                        // Twice as fast at the start is no collapse: under a third is.
                        Row{"E:64Mi", -1}}) {
    SCOPED_TRACE(row.description);
    SurfaceMachine m(row.description);
    const SurfaceFindings f = m.Run();
    EXPECT_TRUE(Passed(f));
    EXPECT_EQ(f.collapseRegion, row.collapse);
    ASSERT_EQ(f.regions.size(), 64u);
    for (const RegionSpeed& r : f.regions) {
      EXPECT_EQ(r.writeBytes, MiB);
      EXPECT_EQ(r.readBytes, MiB);
    }
    if (std::string(row.description).find("speed=") != std::string::npos) {
      // Reads go at twice the write speed: 1 MiB in 52 or 53 ms.
      EXPECT_NEAR(static_cast<double>(f.regions[40].readMs), 52.4, 1.0);
      EXPECT_NEAR(static_cast<double>(f.regions[40].writeMs), 104.9, 1.0);
    }
  }
}

// Only the written part of a drive that stopped early has speeds.
TEST(SurfaceSpeed, RegionsNeverWrittenHaveNoSpeed) {
  SurfaceMachine m("E:64Mi:real=8Mi:follow:speed=10M");
  const SurfaceFindings f = m.Run();
  EXPECT_EQ(f.regions[8].writeBytes, MiB);
  EXPECT_EQ(f.regions[9].writeBytes, 0u);
  EXPECT_EQ(f.regions[63].writeMs, 0u);
  EXPECT_EQ(f.collapseRegion, -1);
}

TEST(SurfaceStops, CancelStopsTheRunAtTheNextStep) {
  for (const int yield : {1, 5, 64, 70, 127}) {
    SCOPED_TRACE(yield);
    SurfaceMachine m("E:64Mi");
    m.win.onDoEvents = [&](int n) {
      if (n == yield) m.ctx.state.CancelRequested = true;
    };
    const std::uint64_t writesBefore = m.sim.Stats().sectorWrites;
    const SurfaceFindings f = m.Run();
    EXPECT_EQ(f.end, SurfaceEnd::Cancelled);
    EXPECT_FALSE(Passed(f));
    // One yield per request: the writes stop at once, and so does the read-back.
    const std::int64_t requests = yield - 1;
    EXPECT_EQ(f.writtenSectors, std::min<std::int64_t>(requests, 64) * kMiBSectors);
    EXPECT_EQ(m.sim.Stats().sectorWrites - writesBefore, static_cast<std::uint64_t>(f.writtenSectors));
    EXPECT_EQ(f.readSectors, std::max<std::int64_t>(0, requests - 64) * kMiBSectors);
  }
}

TEST(SurfaceStops, ADrivePulledOutStopsTheWritesForGood) {
  SurfaceMachine m("E:64Mi");
  int writes = 0;
  m.win.onProgress = [&](const core::ProgressUpdate&) {
    if (++writes == 10) m.sim.RemoveDrive(1);
  };
  const SurfaceFindings f = m.Run();
  EXPECT_EQ(f.end, SurfaceEnd::DriveLost);
  EXPECT_EQ(f.writtenSectors, 10 * kMiBSectors);
  // The samples after the tenth request find it gone, before another write is tried.
  EXPECT_EQ(f.failedWriteRequests, 0u);
  EXPECT_EQ(f.readSectors, 0);
  EXPECT_TRUE(m.win.boxes.empty());
}

// Nothing reads back: every sample goes wrong at the first step, and the real end is none.
TEST(SurfaceStops, ADriveWithoutMemoryIsToldAtTheFirstStep) {
  SurfaceMachine m("E:64Mi:real=0");
  const SurfaceFindings f = m.Run();
  EXPECT_EQ(f.end, SurfaceEnd::Completed);
  EXPECT_EQ(f.writtenSectors, kMiBSectors);
  ASSERT_TRUE(f.alarm.has_value());
  EXPECT_EQ(f.alarm->lost, f.alarm->samples);
  EXPECT_EQ(f.lastGoodSector, -1);
  EXPECT_EQ(RecommendedBytes(f), 0u);
  EXPECT_TRUE(f.goodRanges.empty());
}

}  // namespace
}  // namespace sw::surface
