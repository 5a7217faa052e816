// The Make Usable button in the window on the demo machine: offered only while the drive picked
// is one whose real end this run measured, and a click that arrives for any other is refused
// with its reason before a question is asked or a sector written.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/MainForm.h"
#include "fix/FixTexts.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::fix {
namespace {

using core::Control;

constexpr int kFake = 1;  // E:, 32 GB announced, 8 GB real
constexpr int kGenuine = 2;  // F:

class FixButtonWindow : public ::testing::Test {
 protected:
  FixButtonWindow() {
    platform::sim::AddDemoDrives(os);
    form.Form_Load();
  }
  void Pick(const std::string& letter) {
    for (int i = 0; i < win.ListCount(Control::Combo1); ++i) {
      if (win.ListItem(Control::Combo1, i).rfind(letter, 0) == 0) win.SetListIndex(Control::Combo1, i);
    }
    form.Combo1_Click();
    ASSERT_EQ(ctx.state.SelectedVolume, letter);
  }
  void ProbeTheFake() {
    Pick("E:");
    form.cmdProbe_Click();
    ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Failed) << win.Text(Control::Text1);
  }
  bool Offered() { return win.Visible(Control::cmdFix) && win.Enabled(Control::cmdFix); }
  bool Hidden() { return !win.Visible(Control::cmdFix) && !win.Enabled(Control::cmdFix); }

  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
  app::MainForm form{ctx};
};

TEST_F(FixButtonWindow, TheButtonIsOfferedOnlyWhileTheMeasuredStickIsPicked) {
  EXPECT_TRUE(Hidden()) << "nothing measured at start";
  ProbeTheFake();
  EXPECT_TRUE(Offered());
  Pick("F:");
  EXPECT_TRUE(Hidden()) << "the genuine stick was not measured";
  Pick("E:");
  EXPECT_TRUE(Offered()) << "the same stick, measured in this run";
  form.cmdRefreshDrive_Click();
  ASSERT_EQ(ctx.state.SelectedVolume, "E:");
  EXPECT_TRUE(Offered()) << "the list lists the measured stick first again";
  // Another stick of the same make, size and serial in its place: its end is unknown.
  ASSERT_TRUE(os.SwapDrive(kFake));
  form.cmdRefreshDrive_Click();
  ASSERT_EQ(ctx.state.SelectedVolume, "E:");
  EXPECT_TRUE(Hidden());
}

TEST_F(FixButtonWindow, AClickForADriveNotMeasuredIsRefusedBeforeAnyQuestionOrWrite) {
  ProbeTheFake();
  struct Case {
    const char* name;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"another stick picked", [this] { Pick("F:"); }},
      {"the measured stick swapped for its twin",
       [this] {
         Pick("E:");
         ASSERT_TRUE(os.SwapDrive(kFake));
         form.cmdRefreshDrive_Click();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.change();
    const std::uint64_t writes = os.Stats().sectorWrites;
    win.boxes.clear();
    win.SetText(Control::Text1, "");
    form.cmdFix_Click();
    EXPECT_EQ(os.Stats().sectorWrites, writes);
    EXPECT_FALSE(os.PartitionTable(kFake));
    EXPECT_FALSE(os.PartitionTable(kGenuine));
    ASSERT_EQ(win.boxes.size(), 1u) << "a question before the refusal";
    EXPECT_EQ(win.boxes[0].title, text::kTitle);
    EXPECT_NE(win.boxes[0].prompt.find(text::kNotMeasured), std::string::npos) << win.boxes[0].prompt;
    EXPECT_NE(win.boxes[0].prompt.find(text::kNothingWritten), std::string::npos) << win.boxes[0].prompt;
    EXPECT_NE(win.Text(Control::Text1).find(text::kNotMeasured), std::string::npos);
    EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Refused);
    EXPECT_NE(ctx.state.LastOutcome, core::Outcome::Passed);
    EXPECT_TRUE(Hidden());
    EXPECT_FALSE(ctx.state.TestRunning);
    EXPECT_EQ(os.OpenHandleCount(), 0);
  }
}

}  // namespace
}  // namespace sw::fix
