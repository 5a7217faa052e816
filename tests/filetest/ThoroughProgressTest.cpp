// The thorough test's live progress on a simulated slow stick: updates inside every file, not
// only between files, and a time remaining that counts the samples and the read-back ahead.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "filetest/H2wFormat.h"
#include "filetest/ThoroughFiles.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

constexpr std::uint64_t kFile = 4 * thorough::kChunkBytes;
constexpr std::uint32_t kWriteMs = 400;  // per chunk: a slow stick
constexpr std::uint32_t kReadMs = 200;   // reading twice as fast
constexpr std::uint64_t kMiB = 1'048'576;
constexpr std::uint32_t kSampleMs = kReadMs / 4;  // a 1 MiB sample at the same pace

struct Seen {
  core::ProgressUpdate update;
  std::uint32_t tick;  // the stick's clock when it was shown
};

class ThoroughProgressTest : public VolumeRunTest {
 protected:
  void SetUp() override {
    VolumeRunTest::SetUp();
    ctx.state.ThoroughMode = true;
    ctx.state.ThoroughFileBytes = kFile;
    os.onWrite = [this] { sim.Advance(kWriteMs); };
    os.onReadBytes = [this](std::size_t bytes) {
      sim.Advance(static_cast<std::uint32_t>(kReadMs * bytes / thorough::kChunkBytes));
    };
    win.onProgress = [this](const core::ProgressUpdate& u) { seen.push_back({u, sim.GetTickCount()}); };
  }

  std::vector<Seen> seen;
};

TEST_F(ThoroughProgressTest, UpdatesInsideEachFileAndTheTimeLeftCountsTheReadBacks) {
  AddStick(1, "E:", 3 * kFile + 1024);
  Run();
  ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  ASSERT_FALSE(seen.empty());
  const std::uint32_t start = seen.front().tick;
  const std::uint32_t end = seen.back().tick;
  // 12 chunks written and read once; a sample after file 1, two after each later one (an old
  // place and a new one).
  constexpr std::uint64_t kSamples = 5;
  ASSERT_EQ(end - start, 12 * kWriteMs + 12 * kReadMs + kSamples * kSampleMs);

  int insideFirstFile = 0;
  bool readMeasured = false;
  std::string phase;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const core::ProgressUpdate& u = seen[i].update;
    SCOPED_TRACE("update " + std::to_string(i) + " " + u.phase + " at " +
                 std::to_string(seen[i].tick - start) + " ms");
    if (u.phase == "Writing .h2w files" && u.done > 0 && u.done < kFile) ++insideFirstFile;
    // Never longer than the throttle plus one chunk without a word, inside a file or between.
    if (i > 0) {
      EXPECT_LE(seen[i].tick - seen[i - 1].tick, 500u + kWriteMs);
    }
    // Written once, read once, and the samples: planned at two a file, settled when the
    // writing ends.
    EXPECT_GE(u.total, 6 * kFile + kSamples * kMiB);
    EXPECT_LE(u.total, 6 * kFile + 6 * kMiB);
    EXPECT_LE(u.done, u.total);
    if (phase == "Checking samples of the .h2w files" && u.phase != phase) readMeasured = true;
    phase = u.phase;
    if (u.done == 0) continue;
    ASSERT_GE(u.remainingSeconds, 0);
    const double predictedEnd = seen[i].tick + u.remainingSeconds * 1000;
    if (readMeasured) {
      // Once both paces are known (the samples give the reading's after the first file) the
      // estimate runs to the real end.
      EXPECT_NEAR(predictedEnd, end, 0.10 * (end - start));
    } else {
      // Before, the reads are taken to be as slow as the writes: never less than what is left.
      EXPECT_GE(predictedEnd, end);
    }
  }
  EXPECT_GE(insideFirstFile, 1);
  EXPECT_DOUBLE_EQ(seen.back().update.remainingSeconds, 0);
  EXPECT_EQ(seen.back().update.done, seen.back().update.total);
  // The record's phases hold every byte moved: the averages the terminal prints come from them.
  std::uint64_t wrote = 0, read = 0;
  double seconds = 0;
  for (const core::PhaseRecord& p : ctx.state.LastRun.phases) {
    (p.direction == core::Direction::Write ? wrote : read) += p.bytes;
    seconds += p.seconds;
  }
  EXPECT_EQ(wrote, 3 * kFile);
  EXPECT_EQ(read, 3 * kFile + kSamples * kMiB);
  EXPECT_DOUBLE_EQ(seconds, (end - start) / 1000.0);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Passed);
}

TEST_F(ThoroughProgressTest, AnEarlyStopTakesTheFilesNeverWrittenOutOfTheTimeLeft) {
  // A wrapping fake of 1.5 files: once the samples find file 1 overwritten the filling stops,
  // and what is left is the final read-back of the files written.
  AddStick(1, "E:", 10 * kFile + 1024, platform::sim::FileFault::Overwrite, kFile + kFile / 2);
  Run();
  ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  const core::ProgressUpdate& last = seen.back().update;
  EXPECT_LT(last.total, 10 * kFile);
  EXPECT_EQ(last.done, last.total);
  EXPECT_DOUBLE_EQ(last.remainingSeconds, 0);
}

TEST_F(ThoroughProgressTest, VerifyOnlyCountsTheReadingAlone) {
  AddStick(1, "E:", 3 * kFile);
  std::vector<std::uint8_t> content(kFile);
  h2w::FillSectors(content, 0);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "1.h2w", content));
  ctx.state.VerifyOnly = true;
  Run();
  ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  ASSERT_GE(seen.size(), 3u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.update.phase, "Checking every .h2w file");
    EXPECT_EQ(s.update.total, kFile);
  }
  // Inside the file, with the end foretold to the millisecond at the stick's steady pace.
  EXPECT_GT(seen[1].update.done, 0u);
  EXPECT_LT(seen[1].update.done, kFile);
  EXPECT_DOUBLE_EQ(seen[1].tick + seen[1].update.remainingSeconds * 1000, seen.back().tick);
}

}  // namespace
}  // namespace sw::filetest::testing
