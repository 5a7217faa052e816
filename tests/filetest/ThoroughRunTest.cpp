// Whole thorough runs on simulated sticks, with small files so that the simulated volumes stay
// small: a genuine stick, a limbo fake that loses what goes past its memory, a wrapping fake
// that overwrites earlier files, Cancel, a read-only volume, and verifying files on the volume.
#include <gtest/gtest.h>

#include <algorithm>

#include "filetest/Cleanup.h"
#include "filetest/H2wFormat.h"
#include "filetest/ThoroughFiles.h"
#include "filetest/ThoroughFixture.h"

namespace sw::filetest::testing {
namespace {

using platform::sim::FileFault;

TEST_F(ThoroughTest, GenuineStickPassesAndLeavesNothing) {
  AddStick(1, "E:", 3 * kFile + 5 * kMiB + 1024);
  Run();
  EXPECT_TRUE(HasLine("Thorough test: 4 .h2w files, 53MB, every byte written and checked"));
  EXPECT_EQ(CountStarting("00:00:00 Writing "), 4);
  EXPECT_TRUE(HasLine("Good: 53MB (108544 sectors)"));
  EXPECT_TRUE(HasLine("Corrupted: 0MB (0 sectors)"));
  EXPECT_TRUE(HasLine("PASSED: 53MB tested and OK."));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(H2wFiles().empty());
  ExpectIdleLayout();
  // Every transfer of the test files goes past the system's cache, so the read-back sees the
  // device and not what this machine remembers writing.
  int opened = 0;
  for (const OpenCall& open : os.opens) {
    if (open.name.size() < 4 || open.name.substr(open.name.size() - 4) != ".h2w") continue;
    ++opened;
    EXPECT_NE(open.flags & win::FILE_FLAG_NO_BUFFERING, 0u) << open.name;
  }
  // Written, read once at the end, and opened for the samples behind the writing.
  EXPECT_GT(opened, 4 * 2);
  // One read pass: the samples read a small share of what was written.
  EXPECT_LT(ctx.state.LastRun.transfers.bytesRead, 53 * kMiB * 5 / 4);
}

TEST_F(ThoroughTest, GenuineStickWith4096ByteSectorsPasses) {
  // The last file would be 5 MiB and 1,000 bytes: no whole number of sectors.
  platform::sim::SimDriveSpec stick = StickSpec("E:", 2 * kFile + 5 * kMiB + 1024 + 1000,
                                                FileFault::None, 0);
  stick.volumes[0].sectorBytes = 4096;
  sim.AddDrive(1, stick);
  Run();
  EXPECT_TRUE(HasLine("Thorough test: 3 .h2w files, 37MB, every byte written and checked"));
  EXPECT_TRUE(HasLine("Good: 37MB (75776 sectors)"));  // 2 x 32,768 + 10,240
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  for (const bool ok : os.writeResults) EXPECT_TRUE(ok);
}

TEST_F(ThoroughTest, LimboFakeIsFilledToTheEndAndShowsItsRealMemory) {
  AddStick(1, "E:", 6 * kFile, FileFault::Lose, 40 * kMiB);
  Run();
  // File 3 loses its last 8 MiB and every file after it all of its data, but what the drive
  // kept stays kept: the filling goes on, since a file system may put any file anywhere and
  // only a full volume shows all of the real memory. The last file is whole MiB: 15 of them.
  EXPECT_EQ(CountStarting("00:00:00 Writing "), 6);
  EXPECT_FALSE(HasLine("Not written (the test stopped early): 0MB"));
  EXPECT_TRUE(HasLine("Good: 40MB (81920 sectors)"));
  EXPECT_TRUE(HasLine("Corrupted: 55MB (112640 sectors)"));
  // The sector at 40 MiB reads as zeros; its offset word is 00 00 80 02 ...
  EXPECT_TRUE(HasLine("First bad byte at offset 41943042: expected 0x80, found 0x00"));
  EXPECT_TRUE(HasLine("TEST FAILED: Only 40MB out of the 95MB tested were good."));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + kProbablyFake);
  EXPECT_TRUE(H2wFiles().empty());
}

TEST_F(ThoroughTest, LossInTheLastFileIsAFaultNotAFake) {
  AddStick(1, "E:", 6 * kFile, FileFault::Lose, 90 * kMiB);
  Run();
  EXPECT_EQ(CountStarting("00:00:00 Writing "), 6);
  EXPECT_FALSE(HasLine("Not written (the test stopped early): 0MB"));
  EXPECT_TRUE(HasLine("Good: 90MB (184320 sectors)"));
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + kFaulty);
}

TEST_F(ThoroughTest, FullGoesOnAndCountsTheRealMemoryWithinOneFile) {
  AddStick(1, "E:", 6 * kFile + 1024, FileFault::Lose, 40 * kMiB);
  ctx.state.FullRun = true;
  Run();
  EXPECT_EQ(CountStarting("00:00:00 Writing "), 6);
  EXPECT_TRUE(HasLine("Good: 40MB (81920 sectors)"));
  EXPECT_TRUE(HasLine("TEST FAILED: Only 40MB out of the 96MB tested were good."));
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + kProbablyFake);
}

TEST_F(ThoroughTest, WrappingFakeNamesWhereTheOverwritingDataCameFrom) {
  AddStick(1, "E:", 4 * kFile + 1024, FileFault::Overwrite, 40 * kMiB);
  ctx.state.FullRun = true;
  Run();
  // The damage is to the earlier files, so the final read-back finds file 1 holding the
  // sectors written at 40 MiB and on.
  EXPECT_TRUE(HasLine("First overwritten sector at offset 0 holds the data written for offset " +
                      std::to_string(40 * kMiB)));
  EXPECT_TRUE(HasLine("Overwritten: 24MB (49152 sectors)"));
  EXPECT_TRUE(HasLine("Good: 40MB (81920 sectors)"));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
}

TEST_F(ThoroughTest, CancelAtAChunkLeavesTheFilesForTheCleanUp) {
  AddStick(1, "E:", 3 * kFile);
  win.onDoEvents = [&](int) {
    if (H2wFiles().size() == 2) ctx.state.CancelRequested = true;
  };
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
  EXPECT_EQ(Lines().back(), "TEST ABORTED (use Clean-up to delete test files)!");
  EXPECT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w", "2.h2w"}));
  ExpectIdleLayout();
}

TEST_F(ThoroughTest, AnotherTestersH2wFilesStopTheRunBeforeTheQuestionAndStay) {
  AddStick(1, "E:", 3 * kFile);
  std::vector<std::uint8_t> theirs(1024);
  h2w::FillSectors(theirs, 0);  // the first sectors of 1.h2w, as H2testw or f3write write them
  ASSERT_TRUE(sim.AddVolumeFile("E:", "1.h2w", theirs));
  Run();
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_NE(win.boxes[0].prompt.find("that this program did not write"), std::string::npos) << win.boxes[0].prompt;
  EXPECT_NE(win.boxes[0].prompt.find("1.h2w"), std::string::npos);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w"}));
  EXPECT_EQ(sim.VolumeFileSize("E:", "1.h2w"), 1024u);
}

// Files of four chunks: yields 1 to 4 follow the chunks written, 5 the samples behind them, and
// so on for files 2 and 3; 16 to 27 follow the chunks of the final read-back.
constexpr std::uint64_t kFourChunks = 4 * kThoroughChunk;
struct CancelCase {
  int yield;
  std::uint64_t leftBytes;  // of 1.h2w
  std::vector<std::string> left = {"1.h2w"};
};

class ThoroughCancelTest : public ThoroughTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(ThoroughCancelTest, AtAnyChunkOfTheFirstFileTheRunEndsAsCancelled) {
  const CancelCase c = GetParam();
  ctx.state.ThoroughFileBytes = kFourChunks;
  AddStick(1, "E:", 3 * kFourChunks + 1024);
  int yields = 0;
  win.onDoEvents = [&](int) {
    if (!H2wFiles().empty() && ++yields == c.yield) ctx.state.CancelRequested = true;
  };
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Cancelled);
  EXPECT_EQ(yields, c.yield);  // seen at once: nothing more ran
  EXPECT_EQ(Lines().back(), "TEST ABORTED (use Clean-up to delete test files)!");
  EXPECT_EQ(HasLine("Reading every file back... "), c.yield > 15);
  EXPECT_EQ(win.boxes.size(), 1u);  // the consent, and no verdict
  ExpectIdleLayout();
  ASSERT_EQ(H2wFiles(), c.left);
  EXPECT_EQ(sim.VolumeFileSize("E:", "1.h2w"), c.leftBytes);
  // What was left is ours, whole or cut short, and the clean-up takes it.
  win.onDoEvents = nullptr;
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(H2wFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Yields, ThoroughCancelTest,
                         ::testing::Values(CancelCase{1, kThoroughChunk},
                                           CancelCase{2, 2 * kThoroughChunk},
                                           CancelCase{3, 3 * kThoroughChunk},
                                           CancelCase{4, kFourChunks}, CancelCase{5, kFourChunks},
                                           CancelCase{7, kFourChunks, {"1.h2w", "2.h2w"}},
                                           // Three files of five yields, then the final
                                           // read-back: its first chunk, and its last.
                                           CancelCase{16, kFourChunks, {"1.h2w", "2.h2w", "3.h2w"}},
                                           CancelCase{27, kFourChunks, {"1.h2w", "2.h2w", "3.h2w"}}));

TEST_F(ThoroughTest, ReadOnlyVolumeGivesNoVerdict) {
  platform::sim::SimDriveSpec stick = StickSpec("E:", 3 * kFile, FileFault::None, 0);
  stick.volumes[0].readOnly = true;
  sim.AddDrive(1, stick);
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].title, "Test incomplete");
}

// The volume, not the drive, stops the filling: the message says what happened, the files
// written before are checked and reported, and no fake or faulty verdict is given.
TEST_F(ThoroughTest, AFillingOrVanishingVolumeGivesItsMessageAndNoVerdict) {
  const std::string gone =
      "The volume disappeared during the test (the drive was removed or stopped answering).";
  struct Case {
    const char* what;
    std::uint32_t error;  // the write of file 2's second chunk fails with it
    int goneAtRead;       // or the stick is pulled out before this read (0: never)
    std::string message;
    std::string reportLine;
  };
  const Case cases[] = {
      // Full long before the plan's end: another program took the space. What went into file 2
      // before is read back with file 1.
      {"full", win::ERROR_DISK_FULL, 0,
       "The volume became full before the test was done (another program may be writing to it).",
       "TEST INCOMPLETE: 20MB out of the 20MB tested were good."},
      {"vanished while writing", win::ERROR_DEVICE_NOT_CONNECTED, 0, gone,
       "TEST INCOMPLETE: 0MB out of the 0MB tested were good."},
      // One sample after file 1, two after each later file (an old place and a new one), then
      // the final read-back a chunk at a time.
      {"vanished while the samples are read", 0, 2, gone,
       "TEST INCOMPLETE: 0MB out of the 0MB tested were good."},
      {"vanished in the final read-back", 0, 6, gone,
       "TEST INCOMPLETE: 0MB out of the 0MB tested were good."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim.RemoveDrive(1);
    win.boxes.clear();
    os.writeSizes.clear();
    AddStick(1, "E:", 3 * kFile + 1024);
    int writes = 0, reads = 0;
    const bool pulled = c.error == win::ERROR_DEVICE_NOT_CONNECTED;
    os.onWrite = [&] {
      if (++writes == kChunksPerFile + 2 && pulled) sim.RemoveDrive(1);
    };
    os.writeFault = [&]() -> std::uint32_t {
      return writes == kChunksPerFile + 2 && !pulled ? c.error : 0;
    };
    os.onRead = [&] {
      if (++reads == c.goneAtRead) sim.RemoveDrive(1);
    };
    Run();
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
    EXPECT_TRUE(HasLine(c.message));
    EXPECT_TRUE(HasLine(c.reportLine)) << win.Text(core::Control::Text1);
    ASSERT_EQ(win.boxes.size(), 2u);
    EXPECT_EQ(win.boxes[1].title, "Test incomplete");
    EXPECT_EQ(win.boxes[1].prompt, "\r\n" + c.message + "\r\n\r\n" +
                                       "This is no sign of a fake drive: the files written "
                                       "before it were checked and reported.");
    ExpectIdleLayout();
  }
}

TEST_F(ThoroughTest, TheLastFileEndsWhereTheSpaceDoes) {
  // A file system needs room of its own for a large file, so the last one may not fit in what
  // the free space said: its third chunk finds the volume full.
  AddStick(1, "E:", 3 * kFile + 1024);
  int writes = 0;
  os.writeFault = [&]() -> std::uint32_t {
    return ++writes == 2 * kChunksPerFile + 3 ? win::ERROR_DISK_FULL : 0;
  };
  Run();
  const std::string lastFile = std::to_string(2 * kThoroughChunk / kMiB);
  bool noted = false;
  for (const std::string& line : Lines()) {
    noted = noted || line.rfind("00:00:00 Writing 3.h2w (the volume was full after " + lastFile +
                                    "MB): written at ", 0) == 0;
  }
  EXPECT_TRUE(noted) << win.Text(core::Control::Text1);
  const std::uint64_t good = 2 * kFile + 2 * kThoroughChunk;
  EXPECT_TRUE(HasLine("Good: " + std::to_string(good / kMiB) + "MB (" +
                      std::to_string(good / 512) + " sectors)"));
  EXPECT_TRUE(HasLine("PASSED: " + std::to_string(good / kMiB) + "MB tested and OK."));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(H2wFiles().empty());
}

// With free blocks kept back for the administrator (ext4's 5 % for root), the plain test asks
// for and fills the caller's share, as it always has; the thorough test, as f3write does, takes
// every free block, and its question names that much, not less than it will write.
class ReserveKeptBack : public ThoroughTest {
 protected:
  void RunWithReserve(bool thorough) {
    ctx.state.ThoroughMode = thorough;
    // Room for one of the plain test's files in the caller's share.
    AddStick(1, "E:", 18 * kFile + 1024);
    os.reservedBytes = 60 * kMiB;
    Run();
  }
  void ExpectAskedAndTested(const std::string& mb) {
    ASSERT_FALSE(win.boxes.empty());
    const std::string& prompt = win.boxes[0].prompt;
    EXPECT_EQ(prompt.substr(0, prompt.find('\r')), "OK to fill E: with " + mb + "MB of test files?");
    EXPECT_TRUE(HasLine("PASSED: " + mb + "MB tested and OK.")) << win.Text(core::Control::Text1);
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  }
};

TEST_F(ReserveKeptBack, ThePlainTestAsksForAndFillsTheCallersShare) {
  RunWithReserve(false);
  ExpectAskedAndTested("228");
}

TEST_F(ReserveKeptBack, TheThoroughTestAsksForAndFillsEveryFreeBlock) {
  RunWithReserve(true);
  ExpectAskedAndTested("288");
}

TEST_F(ThoroughTest, EachFileShowsItsSpeedsAndASlowOneIsFlagged) {
  AddStick(1, "E:", 4 * kFile + 1024);
  // Writing a file takes 200 ms, but 4 s for file 3 (a stick whose speed collapses at its real
  // size) and 300 ms for file 4; reading one back 100 ms.
  int writes = 0;
  os.onWrite = [&] {
    const int file = writes++ / kChunksPerFile + 1;
    sim.Advance((file == 3 ? 4000 : file == 4 ? 300 : 200) / kChunksPerFile);
  };
  os.onRead = [&] { sim.Advance(100 / kChunksPerFile); };
  Run();
  const std::string slow = "  SLOW (under 10% of the median speed)";
  EXPECT_TRUE(HasLine("00:00:00 Writing 1.h2w: written at 80.0 MB/s"));
  EXPECT_TRUE(HasLine("00:00:00 Writing 2.h2w: written at 80.0 MB/s"));
  // 4 MB/s against a median of 80 so far.
  EXPECT_TRUE(HasLine("00:00:00 Writing 3.h2w: written at 4.0 MB/s" + slow));
  // 53.3 MB/s against a median of 80 over 4, 80 and 80: slower, not slow.
  EXPECT_TRUE(HasLine("00:00:04 Writing 4.h2w: written at 53.3 MB/s"));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
}

TEST_F(ThoroughTest, VerifyOnlyChecksFilesAnotherTesterWroteAndKeepsThem) {
  AddStick(1, "E:", 3 * kFile);
  std::vector<std::uint8_t> content(kFile);
  h2w::FillSectors(content, 0);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "1.h2w", content));
  h2w::FillSectors(content, kFile);
  content[kFile / 2] ^= 0x01;  // one flipped bit in file 2
  ASSERT_TRUE(sim.AddVolumeFile("E:", "2.h2w", content));
  ctx.state.VerifyOnly = true;
  Run();
  EXPECT_TRUE(HasLine("Slightly changed (under 8 bits): 0MB (1 sectors)"));
  EXPECT_TRUE(HasLine("First bad byte at offset " + std::to_string(kFile + kFile / 2) +
                      ": expected " + "0x" + [&] {
                        char hex[3];
                        std::snprintf(hex, sizeof hex, "%02X", content[kFile / 2] ^ 0x01);
                        return std::string(hex);
                      }() + ", found 0x" + [&] {
                        char hex[3];
                        std::snprintf(hex, sizeof hex, "%02X", content[kFile / 2]);
                        return std::string(hex);
                      }()));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  EXPECT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w", "2.h2w"}));
  EXPECT_TRUE(os.writeSizes.empty());
}

TEST_F(ThoroughTest, CleanUpDeletesTestFilesAndKeepsForeignOnesUnlessAsked) {
  AddStick(1, "E:", 3 * kFile);
  win.onDoEvents = [&](int) {
    if (H2wFiles().size() == 2) ctx.state.CancelRequested = true;
  };
  Run();
  ASSERT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w", "2.h2w"}));
  win.onDoEvents = nullptr;
  // Files of the format but of another number, and no test data at all, are someone else's.
  std::vector<std::uint8_t> content(64 * 1024);
  h2w::FillSectors(content, 0);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "7.h2w", content));
  const std::vector<std::uint8_t> notes(1000, 'x');
  ASSERT_TRUE(sim.AddVolumeFile("E:", "notes.h2w", notes));

  cmdcleanup_Click(ctx);
  EXPECT_EQ(H2wFiles(), (std::vector<std::string>{"7.h2w", "notes.h2w"}));
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "Deleting E:\\*.h2w files...finished.");
  EXPECT_EQ(lines[lines.size() - 2],
            "Kept E:\\7.h2w: it does not hold test data of its number (cleanup --all-h2w "
            "deletes it too)");

  ctx.state.DeleteForeignH2w = true;
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(H2wFiles().empty());
}

}  // namespace
}  // namespace sw::filetest::testing
