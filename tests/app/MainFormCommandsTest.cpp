// The command buttons through the main window, and the close box pressed while a test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "frontends/H2wBlockRecipe.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::app {
namespace {

using core::Context;
using core::Control;
using core::Outcome;

class MainFormCommands : public ::testing::Test {
 protected:
  MainFormCommands() {
    platform::sim::AddDemoDrives(os);
    form.Form_Load();
    win.boxes.clear();
    win.events.clear();
  }
  void Select(const std::string& letter) {
    for (int i = 0; i < win.ListCount(Control::Combo1); ++i) {
      if (win.ListItem(Control::Combo1, i).rfind(letter, 0) == 0) {
        win.SetListIndex(Control::Combo1, i);
      }
    }
    form.Combo1_Click();
    ASSERT_EQ(ctx.state.SelectedVolume, letter);
  }
  long Ends() const { return std::count(win.events.begin(), win.events.end(), "end"); }

  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  MainForm form{ctx};
};

TEST_F(MainFormCommands, QuickTestRunsToItsVerdict) {
  Select("F:");
  form.cmdQuickTest_Click();
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_FALSE(win.ended);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(MainFormCommands, CloseDuringTheQuickTestCancelsThenEndsOnceUnwound) {
  Select("E:");
  win.onDoEvents = [&](int yield) {
    if (yield == 3) form.RequestClose();
  };
  win.onMsgBox = [&](const testing::ShownBox&) {
    EXPECT_FALSE(win.ended) << "no box after the end";
  };
  form.cmdQuickTest_Click();
  EXPECT_FALSE(ctx.state.TestRunning);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  EXPECT_TRUE(win.ended);
  EXPECT_EQ(Ends(), 1);
  EXPECT_FALSE(form.ClosePending());
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.LockedVolumeCount(), 0);
  EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
}

TEST_F(MainFormCommands, CloseDuringTheVolumeTestCancelsThenEnds) {
  Select("F:");
  win.onDoEvents = [&](int yield) {
    if (yield == 2) form.RequestClose();
  };
  form.cmdVolumeTest_Click();
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  EXPECT_TRUE(win.ended);
  EXPECT_EQ(Ends(), 1);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(MainFormCommands, CleanupDeletesLeftoverTestFiles) {
  Select("F:");
  win.onDoEvents = [&](int) {
    if (os.FindFiles("F:\\WARDFILE*.tmp").size() >= 2) form.cmdCancel_Click();
  };
  form.cmdVolumeTest_Click();
  ASSERT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  ASSERT_FALSE(os.FindFiles("F:\\WARDFILE*.tmp").empty()) << "a cancelled run leaves its files";
  form.cmdcleanup_Click();
  EXPECT_TRUE(os.FindFiles("F:\\WARDFILE*.tmp").empty());
  EXPECT_FALSE(win.ended);
}

// The check box picks which file test the button runs; the busy layout hides it.
TEST_F(MainFormCommands, ThoroughBoxMakesTheVolumeButtonCheckEveryByte) {
  os.SetBlockRecipe(std::make_shared<frontends::H2wBlockRecipe>());  // 250 MB of .h2w data
  os.AddDrive(3, platform::sim::ParseSimDrive("G:usb:8G:free=250M").config);
  form.cmdRefreshDrive_Click();
  Select("G:");
  const auto starts = [this](const std::string& start) {
    const std::vector<std::string> lines = win.Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
  };
  bool hiddenWhileBusy = false;
  win.onMsgBox = [&](const testing::ShownBox&) {
    if (ctx.state.TestRunning) hiddenWhileBusy = !win.Visible(Control::chkThorough);
  };
  win.SetValue(Control::chkThorough, 1);
  form.cmdVolumeTest_Click();
  EXPECT_TRUE(starts("Thorough test: 1 .h2w files, 238MB")) << win.Text(Control::Text1);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_TRUE(hiddenWhileBusy);
  EXPECT_TRUE(win.Visible(Control::chkThorough));
  EXPECT_TRUE(win.Enabled(Control::chkThorough));

  win.SetValue(Control::chkThorough, 0);
  form.cmdVolumeTest_Click();
  EXPECT_FALSE(starts("Thorough test: "));
  EXPECT_TRUE(starts("00:00:00 Writing G:\\WARDFILE1.tmp")) << win.Text(Control::Text1);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
}

}  // namespace
}  // namespace sw::app
