// The full-surface engine over the fakes of the field: each row checks the real end to the
// sector, the runs of good sectors, what the bad ones read back as, that the writing stopped
// soon after the real memory ran out, and the verdict.
#include <string>
#include <vector>

#include "platform/WinApi.h"
#include "surface/SurfaceFixture.h"

namespace sw::surface {
namespace {

enum Bad { kNone, kLost, kOverwritten, kUnreadable };

struct Row {
  const char* description;
  std::int64_t realSectors;  // the sectors that make the real memory (all: genuine)
  std::int64_t lastGood;     // -1: none
  std::size_t goodRuns;      // runs of good sectors in what was read back
  Bad bad;                   // what the bad sectors read back as
};

const Row kRows[] = {
    {"E:64Mi", 64 * kMiBSectors, 64 * kMiBSectors - 1, 1, kNone},
    {"E:64Mi:real=8Mi:limbo", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kLost},
    {"E:64Mi:real=8Mi:limbo:fill=ones", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kLost},
    {"E:128Mi:real=32Mi:limbo", 32 * kMiBSectors, 32 * kMiBSectors - 1, 1, kLost},
    // Past the memory, the block of the last write into nowhere comes back everywhere.
    {"E:64Mi:real=8Mi:limbo:fill=stale", 8 * kMiBSectors, 8 * kMiBSectors - 1, 2, kOverwritten},
    {"E:64Mi:real=8Mi:wrap", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kOverwritten},
    {"E:128Mi:real=32Mi:wrap", 32 * kMiBSectors, 32 * kMiBSectors - 1, 1, kOverwritten},
    {"E:64Mi:real=8Mi:chain", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kOverwritten},
    {"E:64Mi:real=8Mi:follow", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kLost},
    {"E:128Mi:real=32Mi:follow:full=drop", 32 * kMiBSectors, 32 * kMiBSectors - 1, 1, kLost},
    // The first addresses gave their sectors to the last ones: no good run from 0.
    {"E:64Mi:real=8Mi:follow:full=evict", 8 * kMiBSectors, -1, 1, kLost},
    {"E:128Mi:real=32Mi:follow:full=evict", 32 * kMiBSectors, -1, 1, kLost},
    {"E:64Mi:real=8Mi:limbo:readerr", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kUnreadable},
    {"E:64Mi:real=8Mi:follow:readerr", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kUnreadable},
    // The last writes into nowhere stay in a cache: good memory in two pieces.
    {"E:64Mi:real=8Mi:limbo:cache=256", 8 * kMiBSectors, 8 * kMiBSectors - 1, 2, kLost},
    {"E:64Mi:real=8Mi:writeerr", 8 * kMiBSectors, 8 * kMiBSectors - 1, 1, kLost},
    // A memory that is not a multiple of the requests: the real end inside one.
    {"E:64Mi:real=8000000:limbo", 8'000'000 / 512, 8'000'000 / 512 - 1, 1, kLost},
    // ... and there the reads begin to fail: the request is split down to the sector.
    {"E:64Mi:real=8000000:limbo:readerr", 8'000'000 / 512, 8'000'000 / 512 - 1, 1, kUnreadable},
};

TEST(SurfaceEngine, EachFakeIsFoundToTheSectorSoonAfterItsMemoryRunsOut) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.description);
    SurfaceMachine m(row.description);
    const SurfaceFindings f = m.Run();
    const auto& win = m.win;
    const auto total = static_cast<std::int64_t>(m.announced / 512);
    const bool genuine = row.realSectors == total;
    EXPECT_EQ(f.end, SurfaceEnd::Completed);
    EXPECT_EQ(f.totalSectors, total);
    EXPECT_EQ(f.lastGoodSector, row.lastGood);
    EXPECT_EQ(f.goodRanges.size(), row.goodRuns);
    EXPECT_EQ(Passed(f), genuine);
    if (genuine) {
      EXPECT_EQ(f.writtenSectors, total);
      EXPECT_FALSE(f.alarm.has_value());
      EXPECT_TRUE(win.boxes.empty());
      EXPECT_EQ(f.kept, static_cast<std::uint64_t>(total));
      continue;
    }
    // The verdict soon after the real end: at most 1.15 times the real memory written.
    EXPECT_LE(static_cast<double>(f.writtenSectors), 1.15 * static_cast<double>(row.realSectors));
    EXPECT_GT(f.writtenSectors, row.realSectors);
    ASSERT_TRUE(f.alarm.has_value());
    EXPECT_EQ(f.alarm->writtenSectors, f.writtenSectors);
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(f.readSectors, f.writtenSectors);
    EXPECT_EQ(f.kept + f.lost + f.overwritten + f.changed + f.unreadable, static_cast<std::uint64_t>(f.writtenSectors));
    // Exactly the real memory's worth kept its data (less what a cache holds on top).
    const std::uint64_t bad = f.lost + f.overwritten + f.unreadable;
    EXPECT_EQ(f.changed, 0u);
    if (row.goodRuns == 1) {
      EXPECT_EQ(f.kept, static_cast<std::uint64_t>(row.realSectors));
    }
    EXPECT_GT(row.bad == kLost ? f.lost : row.bad == kOverwritten ? f.overwritten : f.unreadable, 0u);
    EXPECT_EQ(row.bad == kLost ? f.lost : row.bad == kOverwritten ? f.overwritten : f.unreadable, bad);
    if (row.lastGood >= 0) {
      EXPECT_EQ(RecommendedBytes(f), (static_cast<std::uint64_t>(row.lastGood + 1) * 512 / MiB - 1) * MiB);
    } else {
      EXPECT_EQ(RecommendedBytes(f), 0u);
    }
  }
}

// Whatever the salt (and so wherever the samples fall), a run of lost sectors twice as long as
// a slice of the samples is always hit: the writing stops at the first check where it is.
TEST(SurfaceEngine, TheWritingStopsAtTheFirstCheckWhereTheLossIsTwoSlicesLong) {
  struct Case {
    const char* description;
    // The first check where lost >= 2/32 of what was written: checks every MiB up to 32 MiB, then
    // every 16th of what was written (34, 36 MiB).
    std::int64_t mostWritten;
  };
  for (const Case c : {Case{"E:64Mi:real=8Mi:follow", 9 * kMiBSectors},
                       Case{"E:128Mi:real=32Mi:follow:full=evict", 36 * kMiBSectors}}) {
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
      SCOPED_TRACE(std::string(c.description) + " seed " + std::to_string(seed));
      SurfaceMachine m(c.description);
      SurfaceOptions options;
      options.seed = seed;
      const SurfaceFindings f = m.Run(options);
      EXPECT_LE(f.writtenSectors, c.mostWritten);
    }
  }
}

// A wrapping drive's bad sectors name whose block they hold: the address one memory further on.
TEST(SurfaceEngine, AnOverwrittenSectorNamesWhoseBlockItHolds) {
  SurfaceMachine m("E:64Mi:real=8Mi:wrap");
  const SurfaceFindings f = m.Run();
  const auto& win = m.win;
  EXPECT_EQ(f.overwriteExample, 0);
  EXPECT_EQ(f.overwriteExampleFrom, 8 * kMiBSectors);
  EXPECT_EQ(f.wrapSectors, 8 * kMiBSectors);
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_NE(win.boxes[0].prompt.find(" holds the block of sector "), std::string::npos) << win.boxes[0].prompt;
}

// Cancel at the question writes on to the end and maps the whole drive.
TEST(SurfaceEngine, WritingOnToTheEndMapsTheWholeDrive) {
  struct Case {
    const char* description;
    std::int64_t kept;
    std::size_t runs;
  };
  for (const Case c : {Case{"E:64Mi:real=8Mi:follow", 8 * kMiBSectors, 1},
                       Case{"E:64Mi:real=8Mi:follow:full=evict", 8 * kMiBSectors, 1},
                       Case{"E:64Mi:real=8Mi:limbo:cache=256", 8 * kMiBSectors + 256, 2}}) {
    SCOPED_TRACE(c.description);
    SurfaceMachine m(c.description);
    m.win.answers = {win::IDCANCEL};
    const SurfaceFindings f = m.Run();
    const auto& win = m.win;
    EXPECT_TRUE(f.wroteOn);
    EXPECT_EQ(win.boxes.size(), 1u) << "asked once";
    EXPECT_EQ(f.writtenSectors, 64 * kMiBSectors);
    EXPECT_EQ(f.readSectors, 64 * kMiBSectors);
    EXPECT_EQ(f.kept, static_cast<std::uint64_t>(c.kept));
    EXPECT_EQ(f.goodRanges.size(), c.runs);
    EXPECT_FALSE(Passed(f));
    // No check after the question, yet the writes since are flushed before they are read back.
    EXPECT_EQ(m.sim.Stats().readsBeforeFlush, 0u);
  }
}

}  // namespace
}  // namespace sw::surface
