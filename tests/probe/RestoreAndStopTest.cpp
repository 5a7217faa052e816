// Every way out of a probe: Cancel at a poll puts every sector back, a drive swapped mid-run
// ends it with nothing more written (and says which sectors it could not put back), and a
// destructive run saves nothing and writes nothing back. The system disk is never written, and
// the latencies are per request.
#include <cstdint>
#include <vector>

#include "diskio/PinnedDrive.h"
#include "probe/ProbeFixture.h"
#include "probe/ProbeTexts.h"

namespace sw::probe {
namespace {

using platform::sim::SimDriveSpec;

SimDriveSpec CachedFake() {
  SimDriveSpec c;
  c.announcedBytes = 32 * GB;
  c.realBytes = 8 * GB;
  c.kind = platform::sim::FakeKind::Limbo;
  c.writeCacheSectors = 1000;
  return c;
}

// A Cancel at the first poll of a phase, or at the nth poll of the run.
struct CancelPoint {
  const char* phase;  // nullptr: at poll `poll` of the run
  int poll;
};

class CancelAtPoll : public ProbeFixture, public ::testing::WithParamInterface<CancelPoint> {};

TEST_P(CancelAtPoll, PutsEverySectorBack) {
  AddStick(CachedFake());
  const CancelPoint at = GetParam();
  bool phaseSeen = false;
  win.onProgress = [&](const core::ProgressUpdate& u) { phaseSeen = phaseSeen || (at.phase && u.phase == at.phase); };
  win.onDoEvents = [&](int n) {
    if (at.phase ? phaseSeen : n == at.poll) ctx.state.CancelRequested = true;
  };
  const ProbeFindings f = Run();
  if (at.phase) {
    ASSERT_TRUE(phaseSeen) << "the probe never reached " << at.phase;
  } else {
    ASSERT_GE(win.yields, at.poll) << "the probe ended before that poll";
  }
  EXPECT_EQ(f.end, ProbeEnd::Cancelled);
  EXPECT_EQ(f.lastGoodSector, -1) << "no answer from a cancelled run";
  EXPECT_TRUE(f.unrestoredSectors.empty());
  EXPECT_FALSE(firstBytes.empty()) << "the probe wrote before the poll";
  EXPECT_TRUE(ChangedPlaces().empty());
}

// At the first poll, early and late in the search, and in each later phase.
INSTANTIATE_TEST_SUITE_P(Polls, CancelAtPoll,
                         ::testing::Values(CancelPoint{nullptr, 1}, CancelPoint{nullptr, 4},
                                           CancelPoint{nullptr, 10}, CancelPoint{text::kPhaseSearch, 0},
                                           CancelPoint{text::kPhaseWrap, 0}));

TEST_F(ProbeFixture, ADriveSwappedMidRunEndsItWithNothingMoreWritten) {
  AddStick(CachedFake());
  ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  std::uint64_t writesAtSwap = 0;
  bool swapped = false;
  win.onDoEvents = [&](int n) {
    if (n == 6 && !swapped) {
      swapped = true;
      writesAtSwap = sim.Stats().sectorWrites;
      sim.SwapDrive(kDisk);
    }
  };
  // Counted before the system is asked: a write to a handle that reaches nothing may still land
  // on whatever now answers there.
  int triedAfterSwap = 0;
  auto remember = os.failWrite;
  os.failWrite = [&, remember](std::int64_t sector) {
    if (swapped) ++triedAfterSwap;
    return remember(sector);
  };
  const ProbeFindings f = Run();
  ASSERT_TRUE(swapped);
  EXPECT_EQ(f.end, ProbeEnd::DriveLost);
  EXPECT_EQ(sim.Stats().sectorWrites, writesAtSwap) << "a sector was written after the drive changed";
  EXPECT_LE(triedAfterSwap, 1) << "only the write that found the drive gone, no retry, no restore";
  EXPECT_FALSE(f.unrestoredSectors.empty()) << "the sectors it changed are named";
  EXPECT_EQ(f.lastGoodSector, -1);
}

TEST_F(ProbeFixture, ADestructiveRunSavesNothingAndFindsTheSame) {
  AddStick(CachedFake());
  const ProbeFindings kept = Run();
  const std::uint64_t readsKept = kept.sectorsRead;
  ProbeOptions destructive;
  destructive.destructive = true;
  firstBytes.clear();
  const ProbeFindings f = Run(destructive);
  EXPECT_EQ(f.end, ProbeEnd::Completed);
  EXPECT_EQ(f.lastGoodSector, kept.lastGoodSector);
  EXPECT_EQ(f.kind, kept.kind);
  EXPECT_LT(f.sectorsWritten, kept.sectorsWritten) << "no restore";
  EXPECT_LT(f.sectorsRead, readsKept) << "no backup reads";
  EXPECT_TRUE(f.unrestoredSectors.empty());
  EXPECT_FALSE(ChangedPlaces().empty()) << "the probe's blocks stay where it wrote them";
}

TEST_F(ProbeFixture, TheSystemDiskIsNeverWritten) {
  AddStick(CachedFake());
  sim.SetSystemDisk(kDisk);
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::Failed);
  EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
  EXPECT_EQ(f.sectorsWritten, 0u);
}

TEST_F(ProbeFixture, LatenciesAreTheMeanTimeOfOneRequest) {
  SimDriveSpec c = CachedFake();
  c.writeBytesPerSecond = 10'000'000;
  c.readBytesPerSecond = 20'000'000;
  AddStick(c);
  const ProbeFindings f = Run();
  ASSERT_EQ(f.end, ProbeEnd::Completed);
  // A request moves one sector at least and 64 KiB at most.
  EXPECT_GE(f.writeLatencySeconds, 512 / 10e6);
  EXPECT_LE(f.writeLatencySeconds, 65536 / 10e6 + 0.001);
  EXPECT_GE(f.readLatencySeconds, 512 / 20e6);
  EXPECT_LE(f.readLatencySeconds, 65536 / 20e6 + 0.001);
}

}  // namespace
}  // namespace sw::probe
