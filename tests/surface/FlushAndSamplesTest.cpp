// The full-surface engine's flushes and samples: the writes go to the drive unflushed and are
// flushed once a step, always before that step's samples read them back (so what the samples
// see is the flash, not a cache in front of it); a flush that fails is counted and fails the
// drive; the samples read whole 4 KiB on drives of either logical sector.
#include <string>

#include "surface/SurfaceFixture.h"
#include "surface/SurfaceRun.h"

namespace sw::surface {
namespace {

struct FlushRow {
  const char* description;
  std::int32_t requestSectors;  // 0: the engine's own choice
  bool genuine;
};

TEST(SurfaceFlush, EveryReadComesAfterAFlushAndTheFlushesComeOncePerStep) {
  for (const FlushRow row : {FlushRow{"E:64Mi", 256, true}, FlushRow{"E:64Mi", 0, true},
                             FlushRow{"E:64Mi:block=4096", 256, true}, FlushRow{"E:64Mi:real=8Mi:follow", 256, false},
                             FlushRow{"E:64Mi:real=8Mi:follow:block=4096", 0, false},
                             FlushRow{"E:64Mi:real=8Mi:limbo:cache=256", 256, false}}) {
    SCOPED_TRACE(std::string(row.description) + " request " + std::to_string(row.requestSectors));
    SurfaceMachine m(row.description);
    SurfaceOptions options;
    options.requestSectors = row.requestSectors;
    const SurfaceFindings f = m.Run(options);
    EXPECT_EQ(Passed(f), row.genuine);
    EXPECT_EQ(f.failedFlushes, 0u);
    // Not one sample nor one read of the read-back found writes still unflushed.
    EXPECT_EQ(m.sim.Stats().readsBeforeFlush, 0u);
    EXPECT_GT(m.sim.Stats().diskFlushes, 0u);
    const std::uint64_t writes = m.ctx.state.LastRun.transfers.writeRequests;
    if (row.requestSectors == 256) {
      // 128 KiB requests, a check every 256 KiB or more: at most a flush every second write.
      EXPECT_LE(2 * m.sim.Stats().diskFlushes, writes + 1);
    } else {
      EXPECT_LE(m.sim.Stats().diskFlushes, writes);
    }
  }
}

// A drive whose flushes fail is not passed, whatever it reads back: the failure is counted with
// where it came, and the writing and the read-back still cover it all.
TEST(SurfaceFlush, AFailedFlushIsCountedAndFailsTheDrive) {
  for (const char* description : {"E:64Mi", "E:64Mi:real=8Mi:follow"}) {
    SCOPED_TRACE(description);
    SurfaceMachine m(description, [](platform::sim::SimDriveSpec& config) { config.flushFails = true; });
    const SurfaceFindings f = m.Run();
    EXPECT_GT(f.failedFlushes, 0u);
    EXPECT_EQ(f.firstFailedFlush, kMiBSectors) << "the first check flushes after the first MiB";
    EXPECT_FALSE(Passed(f));
    EXPECT_TRUE(ProvenBad(f));
    EXPECT_EQ(f.readSectors, f.writtenSectors);
  }
  SurfaceMachine genuine("E:64Mi", [](platform::sim::SimDriveSpec& config) { config.flushFails = true; });
  const SurfaceFindings f = genuine.Run();
  EXPECT_EQ(f.writtenSectors, 64 * kMiBSectors);
  EXPECT_EQ(f.kept, static_cast<std::uint64_t>(64 * kMiBSectors));
  // Every check's flush, and none per request: 46 checks (every MiB to 32 MiB, then every 16th
  // of what was written).
  EXPECT_EQ(f.failedFlushes, 46u);
}

// A sample reads an aligned 4 KiB, one sector of a 4Kn drive: as cheap as 512 bytes on a stick,
// eight times the sectors looked at. 46 checks of 32 samples on a genuine 64 MiB drive.
TEST(SurfaceSamples, EachSampleReadsAWhole4KiB) {
  for (const char* description : {"E:64Mi", "E:64Mi:block=4096"}) {
    SCOPED_TRACE(description);
    SurfaceMachine m(description);
    const SurfaceFindings f = m.Run();
    EXPECT_TRUE(Passed(f));
    const std::uint64_t readBack = 64 * kMiBSectors;
    EXPECT_EQ(m.sim.Stats().sectorReads - readBack, 46u * detail::kSamples * 8);
  }
}

}  // namespace
}  // namespace sw::surface
