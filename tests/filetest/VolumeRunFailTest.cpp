// Whole volume file test runs on sticks that lose or refuse data: the figures, TEST FAILED and
// the choice between the faulty and the probably-fake box.
#include <gtest/gtest.h>

#include <algorithm>

#include "filetest/FileTestTexts.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

using platform::sim::FileFault;
using sw::testing::ShownBox;

std::string FileLine(int n, const std::string& remaining) {
  std::string line = "00:00:00 Writing E:\\WARDFILE" + std::to_string(n) + ".tmp";
  return n == 1 ? line : line + ", " + remaining + " remaining ";
}

// 20 files planned; the stick loses what is written after 10 of them. The interim check after
// file 15 finds files 11 to 15 bad and ends the writing.
TEST_F(VolumeRunTest, CounterfeitIsCaughtByTheInterimCheck) {
  AddStick(1, "E:", 20 * kFull, FileFault::Lose, 10 * kFull);
  Run();
  std::vector<std::string> expected = Heading("4000");
  expected.push_back("Writing 20 x 200MB files...");
  // No virtual time passes, so nothing is estimated to remain, the check after file 15 included.
  for (int n = 1; n <= 14; ++n) expected.push_back(FileLine(n, "00:00:00"));
  Append(expected, {
                       FileLine(15, "00:00:00") + " Checking...",
                       "DATA ERROR!",
                       "Verifying files 1 - 15...",
                       "-----------------------",
                       "TEST FINISHED",
                       "3000MB of filespace was tested.",
                       "Test Time = 00:00:00",
                       "",
                       "TEST FAILED: Only 2000MB out of the 3000MB tested were good.",
                       "",
                       "Deleting test files - please wait... Finished.",
                       "",
                       kProbablyFake,
                   });
  ExpectLines(expected);
  ExpectBoxes({{Consent("4,000"), win::MB_OKCANCEL, "File Test"},
               {"\r\n" + kProbablyFake, win::MB_ICONCRITICAL, "SIZEWARDEN"}});
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  EXPECT_EQ(ctx.state.GoodFileCount, 10);
  EXPECT_EQ(os.writeSizes.size(), 15 * 4u);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
  ExpectIdleLayout();
}

// The same stick keeping 16 files: the check after file 15 passes, and the loss shows only in
// the final verification, with more than two thirds good.
TEST_F(VolumeRunTest, CounterfeitPastTheFirstCheckIsCaughtAtTheEnd) {
  AddStick(1, "E:", 20 * kFull, FileFault::Lose, 16 * kFull);
  Run();
  std::vector<std::string> expected = Heading("4000");
  expected.push_back("Writing 20 x 200MB files...");
  for (int n = 1; n <= 14; ++n) expected.push_back(FileLine(n, "00:00:00"));
  expected.push_back(FileLine(15, "00:00:00") + " Checking... OK");
  for (int n = 16; n <= 20; ++n) expected.push_back(FileLine(n, "00:00:00"));
  Append(expected, {
                       "Verifying files 1 - 20...",
                       "Verifying file 21...",
                       "-----------------------",
                       "TEST FINISHED",
                       "4000MB of filespace was tested.",
                       "Test Time = 00:00:00",
                       "",
                       "TEST FAILED: Only 3200MB out of the 4000MB tested were good.",
                       "",
                       "Deleting test files - please wait... Finished.",
                       "",
                       kFaulty,
                   });
  ExpectLines(expected);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  EXPECT_EQ(ctx.state.GoodFileCount, 16);
}

TEST_F(VolumeRunTest, WriteFailureOnTheOnlyFile) {
  AddStick(1, "E:", kFull, FileFault::FailWrite, 0);
  Run();
  std::vector<std::string> expected = Heading("200");
  Append(expected, {
                       "Writing 1 x 200MB files...",
                       FileLine(1, ""),
                       "WRITE ERROR!",
                       "Verifying files 1 - 0...",
                       "-----------------------",
                       "TEST FINISHED",
                       "0MB of filespace was tested.",
                       "Test Time = 00:00:00",
                       "",
                       "TEST FAILED: Only 0MB out of the 0MB tested were good.",
                       "",
                       "Deleting test files - please wait... Finished.",
                       "",
                       kProbablyFake,
                   });
  ExpectLines(expected);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty()) << "the failed file is deleted too";
}

// The volume takes every chunk and then cannot keep them: the flush fails the file as a failed
// write does, and the report names why.
TEST_F(VolumeRunTest, AFailedFlushIsAWriteErrorWithItsReason) {
  AddStick(1, "E:", kFull, FileFault::None, 0);
  os.flushFault = [] { return win::ERROR_DISK_FULL; };
  Run();
  const std::vector<std::string> lines = win.Lines();
  const auto writeError = std::find(lines.begin(), lines.end(), "WRITE ERROR!");
  ASSERT_NE(writeError, lines.end());
  ASSERT_NE(writeError + 1, lines.end());
  EXPECT_EQ(*(writeError + 1), texts::kStopFull);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "TEST INCOMPLETE: 0MB out of the 0MB tested were good."), lines.end());
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty()) << "the failed file is deleted too";
}

// Six files planned and written; the stick keeps only the first `kept`. Two thirds good is
// still the probably-fake box; one more good file makes it merely faulty.
struct ShareCase {
  int kept;
  const char* mbGood;
  std::string box;
};

class GoodShareTest : public VolumeRunTest, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(GoodShareTest, VerdictBoxFollowsTheShareOfGoodFiles) {
  const ShareCase& c = GetParam();
  AddStick(1, "E:", 6 * kFull, FileFault::Lose, c.kept * kFull);
  Run();
  std::vector<std::string> expected = Heading("1200");
  expected.push_back("Writing 6 x 200MB files...");
  for (int n = 1; n <= 6; ++n) expected.push_back(FileLine(n, "00:00:00"));
  Append(expected, {
                       "Verifying files 1 - 6...",
                       "Verifying file 7...",
                       "-----------------------",
                       "TEST FINISHED",
                       "1200MB of filespace was tested.",
                       "Test Time = 00:00:00",
                       "",
                       std::string("TEST FAILED: Only ") + c.mbGood +
                           "MB out of the 1200MB tested were good.",
                       "",
                       "Deleting test files - please wait... Finished.",
                       "",
                       c.box,
                   });
  ExpectLines(expected);
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + c.box);
  EXPECT_EQ(win.boxes[1].style, win::MB_ICONCRITICAL);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
}

INSTANTIATE_TEST_SUITE_P(Shares, GoodShareTest,
                         ::testing::Values(ShareCase{4, "800", kProbablyFake},
                                           ShareCase{5, "1000", kFaulty}));

// The second run of the program's lifetime must not inherit the first run's last file: its
// write failure reports the full files alone.
TEST_F(VolumeRunTest, SecondRunStartsWithoutTheFirstRunsLastFile) {
  AddStick(1, "E:", kFull + 100 * kMiB + 1024);
  Run();
  ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  ASSERT_EQ(ctx.state.LastFileSize, 100 * 1'048'576);

  AddStick(2, "F:", 3 * kFull, FileFault::FailWrite, 2 * kFull);
  win.AddItem(core::Control::Combo1, "[DRIVE 2]      7.6GiB SIMTEK  Flash Disk");
  win.SetListIndex(core::Control::Combo1, 1);
  ctx.state.SelectedVolume = "F:";
  win.boxes.clear();
  Run();
  const std::vector<std::string> lines = Lines();
  const std::vector<std::string> tail(lines.end() - 13, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "00:00:00 Writing F:\\WARDFILE3.tmp, 00:00:00 remaining ",
                      "WRITE ERROR!",
                      "Verifying files 1 - 2...",
                      "-----------------------",
                      "TEST FINISHED",
                      "400MB of filespace was tested.",
                      "Test Time = 00:00:00",
                      "",
                      "TEST FAILED: Only 400MB out of the 400MB tested were good.",
                      "",
                      "Deleting test files - please wait... Finished.",
                      "",
                      kProbablyFake,
                  }));
  EXPECT_EQ(lines[3], "[DRIVE 2]      7.6GiB SIMTEK  Flash Disk");
  EXPECT_EQ(ctx.state.LastFileSize, 0);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
}

}  // namespace
}  // namespace sw::filetest::testing
