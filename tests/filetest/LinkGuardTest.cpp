// A test-file name taken by a folder or a link: refused before anything is written, never
// judged as a fake drive.
#include <gtest/gtest.h>

#include "filetest/LinkGuard.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

TEST_F(VolumeRunTest, ATestFileNameTakenByAFolderOrLinkStopsTheRunBeforeItWrites) {
  AddStick(1, "E:", 3 * kFull);
  os.nonRegular = {"WARDFILE1.tmp", "WARDFILE2.tmp"};
  win.answers = {win::IDOK};
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(os.writeSizes.empty());
  for (const OpenCall& open : os.opens) EXPECT_NE(open.disposition, win::CREATE_ALWAYS) << open.name;
  ASSERT_EQ(win.boxes.size(), 1u) << "the refusal, and no consent asked";
  const std::string& box = win.boxes[0].prompt;
  EXPECT_NE(box.find("E:\\WARDFILE1.tmp\r\n  E:\\WARDFILE2.tmp"), std::string::npos) << box;
  const std::string report = win.Text(core::Control::Text1);
  EXPECT_NE(report.find("Nothing was written"), std::string::npos);
  EXPECT_EQ(report.find("FAKE"), std::string::npos);
  EXPECT_EQ(report.find("PASSED"), std::string::npos);
}

TEST_F(VolumeRunTest, OrdinaryLeftoversAreStillCleanedUpAndTheRunGoesOn) {
  AddStick(1, "E:", kFull + 1024);
  win.answers = {win::IDOK};
  SecondsPerWrite(1);
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
}

TEST(TakenNamesText, ListsEachNameOnTheVolume) {
  EXPECT_EQ(TakenNamesText("F:", {"F:\\WARDFILE3.tmp"}),
            "Nothing was written: these names of test files on F: are taken by something that is "
            "not an ordinary file (a folder, a link, a device), and test data is never written "
            "through them:\r\n  F:\\WARDFILE3.tmp\r\nMove or rename them, then start the test again.");
}

}  // namespace
}  // namespace sw::filetest::testing
