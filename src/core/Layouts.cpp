// Busy and idle layouts of the main window.
#include "core/Layouts.h"

namespace sw::core {

void Show_Cancel(Context& ctx) {
  Window& w = ctx.win;
  ctx.state.TestRunning = true;
  w.SetEnabled(Control::cmdCancel, true);
  w.SetVisible(Control::cmdCancel, true);
  for (Control c : {Control::cmdRefreshDrive, Control::Combo1, Control::cmdcleanup,
                    Control::cmdQuickTest, Control::cmdVolumeTest, Control::cmdProbe,
                    Control::cmdSurface, Control::cmdFix}) {
    w.SetEnabled(c, false);
  }
  // Make Usable stays out of sight after the test too, until the window logic sees a real end.
  for (Control c : {Control::cmdQuickTest, Control::cmdVolumeTest, Control::cmdExit,
                    Control::cmdCopy, Control::cmdcleanup, Control::cmdSaveReport,
                    Control::cmdProbe, Control::cmdSurface, Control::cmdFix}) {
    w.SetVisible(c, false);
  }
  // A list rebuild during a test would reopen the drive and overwrite DiskNumber and
  // DriveSizeBytes under the running test.
  w.SetEnabled(Control::chkShowAll, false);
  w.SetEnabled(Control::chkThorough, false);
  w.SetVisible(Control::chkThorough, false);
}

void Hide_Cancel(Context& ctx) {
  Window& w = ctx.win;
  w.SetEnabled(Control::cmdCancel, false);
  w.SetVisible(Control::cmdCancel, false);
  w.SetVisible(Control::Label1, false);
  for (Control c : {Control::cmdQuickTest, Control::cmdRefreshDrive, Control::Combo1,
                    Control::cmdcleanup, Control::cmdVolumeTest, Control::cmdProbe,
                    Control::cmdSurface}) {
    w.SetEnabled(c, true);
  }
  for (Control c : {Control::cmdExit, Control::cmdCopy, Control::cmdcleanup,
                    Control::cmdQuickTest, Control::cmdVolumeTest, Control::cmdSaveReport,
                    Control::cmdProbe, Control::cmdSurface}) {
    w.SetVisible(c, true);
  }
  w.SetEnabled(Control::chkShowAll, true);
  w.SetEnabled(Control::chkThorough, true);
  w.SetVisible(Control::chkThorough, true);
  ctx.state.TestRunning = false;
}

}  // namespace sw::core
