// A probe that dies at any write loses nothing: the journal on the computer's disk covers every
// block that reached the drive, and the next start puts them all back. A journal that cannot be
// written stops the probe before the write it would have covered.
#include <cstdint>
#include <set>
#include <vector>

#include "diskio/PinnedDrive.h"
#include "probe/JournalFile.h"
#include "probe/ProbeFixture.h"
#include "probe/RestoreCommand.h"

namespace sw::probe {
namespace {

using platform::sim::FakeKind;
using platform::sim::SimDriveSpec;

SimDriveSpec Sim(FakeKind kind, std::uint64_t announced, std::uint64_t real, std::uint64_t wrap = 0) {
  SimDriveSpec c;
  c.announcedBytes = announced;
  c.realBytes = real;
  c.kind = kind;
  c.wrapBytes = wrap;
  return c;
}

struct CrashRow {
  const char* name;
  SimDriveSpec stick;
};

class DeathAtAWrite : public ProbeFixture, public ::testing::WithParamInterface<CrashRow> {
 protected:
  std::int64_t writesLeft = -1;  // -1: alive; 0: every later write is lost, as in a dead process
  std::int64_t writes = 0;

  void SetUp() override {
    AddStick(GetParam().stick);
    auto remember = os.failWrite;
    os.failWrite = [this, remember](std::int64_t sector) {
      remember(sector);
      ++writes;
      if (writesLeft == 0) return true;
      if (writesLeft > 0) --writesLeft;
      return false;
    };
    ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  }

  std::vector<std::string> Journals() {
    std::vector<std::string> names;
    for (const std::string& n : os.StateFiles()) {
      if (IsJournalName(n)) names.push_back(n);
    }
    return names;
  }
};

TEST_P(DeathAtAWrite, TheNextStartPutsEveryBlockBack) {
  const ProbeFindings clean = Run();
  ASSERT_EQ(clean.end, ProbeEnd::Completed);
  EXPECT_TRUE(ChangedPlaces().empty());
  EXPECT_TRUE(Journals().empty()) << "a probe that put everything back keeps no journal";
  const std::int64_t total = writes;
  ASSERT_GT(total, 20);

  for (int tenth = 1; tenth <= 9; ++tenth) {
    SCOPED_TRACE(tenth);
    writes = 0;
    writesLeft = total * tenth / 10;
    Run();
    ASSERT_EQ(Journals().size(), 1u) << "the journal stays when blocks are still to be put back";
    const std::optional<JournalContents> kept = DecodeJournal(*os.ReadStateFile(Journals().front()));
    ASSERT_TRUE(kept);
    std::set<std::int64_t> sectors;
    for (const JournalBlock& b : kept->blocks) sectors.insert(b.sector);
    EXPECT_EQ(sectors.size(), kept->blocks.size()) << "each block is in the journal once";
    writesLeft = -1;
    win.boxes.clear();
    const int remountsBefore = os.remounts;
    RestoreInterruptedProbes(ctx);
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
    EXPECT_EQ(os.remounts, remountsBefore + 1) << "what the restore took down goes back up";
    ASSERT_FALSE(win.boxes.empty()) << "the restore asks first";
    EXPECT_EQ(win.boxes.front().title, "Restore");
    EXPECT_EQ(ChangedPlaces(), std::vector<std::int64_t>{});
    EXPECT_TRUE(Journals().empty());
  }
}

const CrashRow kCrashRows[] = {
    {"genuine", Sim(FakeKind::Good, 256ull << 20, 0)},
    {"limbo", Sim(FakeKind::Limbo, 1 * GiB, 256ull << 20)},
    {"wraparound", Sim(FakeKind::Wraparound, 1 * GiB, 128ull << 20, 128ull << 20)},
};
INSTANTIATE_TEST_SUITE_P(Sticks, DeathAtAWrite, ::testing::ValuesIn(kCrashRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ProbeFixture, AJournalThatCannotBeWrittenStopsTheProbeBeforeItsFirstWrite) {
  AddStick(Sim(FakeKind::Limbo, 1 * GiB, 256ull << 20));
  ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  sim.FailStateAppendsAfter(0);
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::NoJournal);
  EXPECT_EQ(sim.Stats().sectorWrites, writesBefore) << "not one sector written";
}

TEST_F(ProbeFixture, AJournalThatFillsTheDiskMidRunStopsThatRunAndEverythingGoesBack) {
  AddStick(Sim(FakeKind::Limbo, 1 * GiB, 256ull << 20));
  ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  sim.FailStateAppendsAfter(6);
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::NoJournal);
  EXPECT_GT(sim.Stats().sectorWrites, writesBefore) << "the probe had begun";
  EXPECT_TRUE(f.unrestoredSectors.empty());
  EXPECT_TRUE(ChangedPlaces().empty());
}

// A probe that died between its journal's header and its first write changed nothing.
TEST_F(ProbeFixture, AJournalWithoutBlocksIsDeletedWithoutAQuestion) {
  AddStick(Sim(FakeKind::Good, 256ull << 20, 0));
  ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  const JournalHeader h = HeaderFor(ctx.state.Pinned->identity, "/dev/sdb", "today");
  ASSERT_TRUE(os.AppendStateFile(JournalName(h), EncodeHeader(h)));
  RestoreInterruptedProbes(ctx);
  EXPECT_TRUE(win.boxes.empty());
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(os.StateFiles().empty());
  EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
}

// A run that finds its stick's journal still holding blocks writes nothing; one that finds an
// empty one (an earlier run died before its first write) starts it afresh, and its own blocks
// are what the file then holds.
TEST_F(ProbeFixture, AnEarlierJournalIsNeverWrittenOverAndAnEmptyOneMakesWay) {
  AddStick(Sim(FakeKind::Limbo, 1 * GiB, 256ull << 20));
  ASSERT_TRUE(diskio::PinDrive(ctx, kDisk));
  const JournalHeader h = HeaderFor(ctx.state.Pinned->identity, "/dev/sdb", "before");
  const std::string name = JournalName(h);
  std::vector<std::uint8_t> pending = EncodeHeader(h);
  const std::vector<std::uint8_t> block = EncodeBlock(5, std::vector<std::uint8_t>(512, 0x22));
  pending.insert(pending.end(), block.begin(), block.end());
  ASSERT_TRUE(os.AppendStateFile(name, pending));
  EXPECT_EQ(Run().end, ProbeEnd::NoJournal);
  EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
  EXPECT_EQ(*os.ReadStateFile(name), pending);

  ASSERT_TRUE(os.DeleteStateFile(name));
  ASSERT_TRUE(os.AppendStateFile(name, EncodeHeader(h)));
  bool checked = false;
  auto remember = os.failWrite;
  os.failWrite = [&, remember](std::int64_t sector) {
    if (!checked) {
      checked = true;
      const std::optional<JournalContents> j = DecodeJournal(*os.ReadStateFile(name));
      EXPECT_TRUE(j && !j->blocks.empty()) << "the first write is covered by this run's journal";
      if (j) {
        EXPECT_NE(j->header.date, "before");
      }
    }
    return remember(sector);
  };
  EXPECT_EQ(Run().end, ProbeEnd::Completed);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(ChangedPlaces().empty());
}

TEST_F(ProbeFixture, AJournalWaitingForAnotherDriveIsLeftAloneAndNamed) {
  AddStick(Sim(FakeKind::Good, 256ull << 20, 0));
  core::DriveIdentity other;
  other.Model = "ELSEWHERE Disk";
  other.Serial = "GONE0001";
  other.SizeBytes = 8'000'000'000;
  const JournalHeader h = HeaderFor(other, "/dev/sdz", "yesterday");
  std::vector<std::uint8_t> file = EncodeHeader(h);
  const std::vector<std::uint8_t> block = EncodeBlock(0, std::vector<std::uint8_t>(512, 0x11));
  file.insert(file.end(), block.begin(), block.end());
  ASSERT_TRUE(os.AppendStateFile(JournalName(h), file));
  RestoreInterruptedProbes(ctx);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(win.boxes.empty()) << "nothing to ask about a drive that is not here";
  EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
  EXPECT_EQ(os.StateFiles().size(), 1u);
  EXPECT_NE(win.Text(core::Control::Text1).find("GONE0001"), std::string::npos);
}

// A drive that refuses the writes of a search round's flood leaves its probes maybe in its cache:
// the search stops there and says why, and everything goes back.
TEST_F(ProbeFixture, AFloodTheDriveRefusesEndsTheSearchUnfinishedAndEverythingGoesBack) {
  SimDriveSpec c = Sim(FakeKind::Limbo, 32 * GB, 8 * GB);
  c.writeCacheSectors = 100000;
  AddStick(c);
  bool searching = false;
  win.onProgress = [&](const core::ProgressUpdate& u) {
    if (u.phase == "Searching the last good sector") searching = true;
  };
  const auto realEnd = static_cast<std::int64_t>(8 * GB / 512);
  auto remember = os.failWrite;
  os.failWrite = [&, remember](std::int64_t sector) {
    remember(sector);
    return searching && sector >= realEnd;
  };
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::Unfinished);
  EXPECT_EQ(f.limit, Limit::RefusedFlood);
  EXPECT_EQ(f.lastGoodSector, -1) << "no exact answer";
  EXPECT_TRUE(ChangedPlaces().empty());
}

// The partition table, the boot sector and the file system's first blocks are not written at all
// where the drive's good memory leaves the search room past them.
class FirstMiB : public ProbeFixture, public ::testing::WithParamInterface<CrashRow> {};

TEST_P(FirstMiB, IsNeverWritten) {
  AddStick(GetParam().stick);
  std::int64_t lowest = INT64_MAX;
  auto remember = os.failWrite;
  os.failWrite = [&](std::int64_t sector) {
    lowest = std::min(lowest, sector);
    return remember(sector);
  };
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::Completed);
  EXPECT_GE(lowest, 2048);
  EXPECT_TRUE(ChangedPlaces().empty());
}

const CrashRow kFirstMiBRows[] = {
    {"genuine_16GB", Sim(FakeKind::Good, 16 * GB, 0)},
    {"limbo_32GB_real_8GB", Sim(FakeKind::Limbo, 32 * GB, 8 * GB)},
    {"wrap_8GB_at_4GB", Sim(FakeKind::Wraparound, 8 * GB, 4 * GB, 4 * GB)},
    {"wrap_8GB_at_100MB", Sim(FakeKind::Wraparound, 8 * GB, 100'000'000, 100'000'000)},
};
INSTANTIATE_TEST_SUITE_P(Sticks, FirstMiB, ::testing::ValuesIn(kFirstMiBRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sw::probe
