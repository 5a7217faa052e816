// Busy and idle layouts, control by control.
#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::core {
namespace {

TEST(Layouts, BusyShowsOnlyCancelAndDisabledRefresh) {
  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  Show_Cancel(ctx);
  EXPECT_TRUE(ctx.state.TestRunning);
  EXPECT_TRUE(win.Visible(Control::cmdCancel));
  EXPECT_TRUE(win.Enabled(Control::cmdCancel));
  for (Control c : {Control::cmdRefreshDrive, Control::Combo1, Control::cmdcleanup,
                    Control::cmdQuickTest, Control::cmdVolumeTest, Control::chkShowAll,
                    Control::chkThorough, Control::cmdProbe, Control::cmdSurface}) {
    EXPECT_FALSE(win.Enabled(c)) << static_cast<int>(c);
  }
  for (Control c : {Control::cmdQuickTest, Control::cmdVolumeTest, Control::cmdExit,
                    Control::cmdCopy, Control::cmdcleanup, Control::chkThorough,
                    Control::cmdProbe, Control::cmdSurface, Control::cmdSaveReport}) {
    EXPECT_FALSE(win.Visible(c)) << static_cast<int>(c);
  }
  EXPECT_TRUE(win.Visible(Control::cmdRefreshDrive));
}

TEST(Layouts, IdleRestoresEverythingAndHidesCancelAndNote) {
  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  Show_Cancel(ctx);
  win.SetVisible(Control::Label1, true);
  Hide_Cancel(ctx);
  EXPECT_FALSE(ctx.state.TestRunning);
  EXPECT_FALSE(win.Visible(Control::cmdCancel));
  EXPECT_FALSE(win.Enabled(Control::cmdCancel));
  EXPECT_FALSE(win.Visible(Control::Label1));
  for (Control c : {Control::cmdQuickTest, Control::cmdRefreshDrive, Control::Combo1,
                    Control::cmdcleanup, Control::cmdVolumeTest, Control::chkShowAll,
                    Control::chkThorough, Control::cmdProbe}) {
    EXPECT_TRUE(win.Enabled(c)) << static_cast<int>(c);
  }
  for (Control c : {Control::cmdExit, Control::cmdCopy, Control::cmdcleanup,
                    Control::cmdQuickTest, Control::cmdVolumeTest, Control::chkThorough,
                    Control::cmdProbe, Control::cmdSaveReport}) {
    EXPECT_TRUE(win.Visible(c)) << static_cast<int>(c);
  }
}

}  // namespace
}  // namespace sw::core
