// Volume file test runs the user stops: at the consent box (nothing written), while writing and
// while verifying (files left for the clean-up button).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "filetest/Cleanup.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

bool LogEndsWith(sw::testing::ScriptedWindow& win, const std::string& tail) {
  const std::string text = win.Text(core::Control::Text1);
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The first bytes of test file n as this program writes them.
std::vector<std::uint8_t> OurLeftover(std::uint8_t n) {
  std::vector<std::uint8_t> bytes(512, 0xA5);
  const std::uint8_t header[9] = {n, 0, 0, 0, 'F', 'F', 'F', 0x0D, 0x0A};
  std::copy(std::begin(header), std::end(header), bytes.begin());
  return bytes;
}

TEST_F(VolumeRunTest, CancelAtTheConsentBoxLeavesTheVolumeAsItWas) {
  AddStick(1, "E:", 3 * kFull + 100 * kMiB + 1024);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE3.tmp", OurLeftover(3)));
  win.answers = {win::IDCANCEL};
  Run();
  ExpectLines({
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 700MB out of reported drive size of 7844.23828125MB",
  });
  ASSERT_EQ(win.boxes.size(), 1u);
  // The question counts the leftover in the space to fill, and says it will go first.
  EXPECT_NE(win.boxes[0].prompt.find("deleted first (counted in the free space): WARDFILE3.tmp"),
            std::string::npos)
      << win.boxes[0].prompt;
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(os.writeSizes.empty());
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE3.tmp"}));
  EXPECT_FALSE(ctx.state.TestRunning);
}

TEST_F(VolumeRunTest, AFileNamedLikeATestFileThatIsNotOursStopsTheRunBeforeTheQuestion) {
  AddStick(1, "E:", 3 * kFull + 100 * kMiB + 1024);
  const std::uint8_t someoneElses[512] = {};
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE3.tmp", someoneElses));
  Run();
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_NE(win.boxes[0].prompt.find("Nothing was written: E:\\ holds files named like this program's test "
                                     "files that it did not write, which the test would overwrite: "
                                     "WARDFILE3.tmp."),
            std::string::npos)
      << win.boxes[0].prompt;
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(os.writeSizes.empty());
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE3.tmp"}));
}

TEST_F(VolumeRunTest, OurLeftoversGoOnlyAfterTheOkAndTheirSpaceIsTested) {
  AddStick(1, "E:", 2 * kFull + 100 * kMiB + 1024);
  // 300MB free beside a 200MB leftover: the question offers 500MB.
  std::vector<std::uint8_t> seven = OurLeftover(7);
  seven.resize(kFull, 0xA5);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE7.tmp", seven));
  Run();
  ASSERT_FALSE(win.boxes.empty());
  EXPECT_NE(win.boxes[0].prompt.find("OK to fill E: with 500MB"), std::string::npos) << win.boxes[0].prompt;
  EXPECT_NE(win.Text(core::Control::Text1).find("Deleting E:\\WARDFILE*.tmp files...finished."), std::string::npos);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
}

TEST_F(VolumeRunTest, TheEndDeletesOnlyTheFilesThisRunCreated) {
  AddStick(1, "E:", 2 * kFull + 100 * kMiB + 1024);
  // Another program saves a file of that pattern on the stick while the test runs.
  bool saved = false;
  win.onDoEvents = [&](int) {
    if (!saved && !sim.VolumeFileNames("E:").empty()) {
      const std::uint8_t theirs[3] = {1, 2, 3};
      saved = sim.AddVolumeFile("E:", "WARDFILE99.tmp", theirs);
    }
  };
  Run();
  ASSERT_TRUE(saved);
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE99.tmp"}));
}

TEST_F(VolumeRunTest, CancelWhileWritingLeavesTheFilesWritten) {
  AddStick(1, "E:", 3 * kFull);
  // Pressed while file 2 is announced: the writer returns before creating it.
  win.onDoEvents = [&](int) {
    if (LogEndsWith(win, "WARDFILE2.tmp, 00:00:00 remaining ")) ctx.state.CancelRequested = true;
  };
  Run();
  ExpectLines({
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 600MB out of reported drive size of 7844.23828125MB",
      "Writing 3 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
      "00:00:00 Writing E:\\WARDFILE2.tmp, 00:00:00 remaining ",
      "TEST ABORTED (test files may be present)!",
  });
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE1.tmp"}));
  ExpectIdleLayout();

  win.onDoEvents = nullptr;
  cmdcleanup_Click(ctx);
  EXPECT_EQ(Lines().back(), "Deleting E:\\WARDFILE*.tmp files...finished.");
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
}

TEST_F(VolumeRunTest, CancelInTheMiddleOfAFileLeavesItPartlyWritten) {
  AddStick(1, "E:", 3 * kFull);
  // Yield 1 follows the consent box; file 1 yields at 2, then inside the writer at 3 (before
  // creating), 4, 5, 6 (before chunks 2 to 4).
  win.onDoEvents = [&](int k) {
    if (k == 4) ctx.state.CancelRequested = true;
  };
  Run();
  EXPECT_EQ(Lines().back(), "TEST ABORTED (test files may be present)!");
  EXPECT_EQ(sim.VolumeFileSize("E:", "WARDFILE1.tmp"), kChunk);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
}

TEST_F(VolumeRunTest, CancelWhileVerifyingLeavesEveryFile) {
  AddStick(1, "E:", 2 * kFull + kChunk + 1024);
  win.onDoEvents = [&](int) {
    if (LogEndsWith(win, "Verifying files 1 - 2...")) ctx.state.CancelRequested = true;
  };
  Run();
  ExpectLines({
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 450MB out of reported drive size of 7844.23828125MB",
      "Writing 2 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
      "00:00:00 Writing E:\\WARDFILE2.tmp, 00:00:00 remaining ",
      "Writing last file (50.MB)",
      "00:00:00 Writing E:\\WARDFILE3.tmp, 00:00:00 remaining ",
      "Verifying files 1 - 2...",
      "TEST ABORTED (use Clean-up to delete test files)!",
  });
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
  EXPECT_EQ(sim.VolumeFileNames("E:"),
            (std::vector<std::string>{"WARDFILE1.tmp", "WARDFILE2.tmp", "WARDFILE3.tmp"}));
  ExpectIdleLayout();

  win.onDoEvents = nullptr;
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
}

}  // namespace
}  // namespace sw::filetest::testing
