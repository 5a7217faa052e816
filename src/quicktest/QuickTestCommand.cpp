// The Quick Size Test button: debug mode, the drive checks and refusals, the heading, the two
// confirmations, the busy layout around the engine.
#include "quicktest/QuickTestCommand.h"

#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/DriveLetters.h"
#include "drives/DriveInfo.h"
#include "platform/WinApi.h"
#include "quicktest/QuickSizeTest.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest {

namespace {

using core::Control;
using core::kCrLf;

core::Outcome OutcomeOf(TestEnd end) {
  switch (end) {
    case TestEnd::Passed:
      return core::Outcome::Passed;
    case TestEnd::Failed:
      return core::Outcome::Failed;
    case TestEnd::Cancelled:
    case TestEnd::AbortedWriteError:
      return core::Outcome::Cancelled;
    case TestEnd::NotStarted:
      break;
  }
  return core::Outcome::NotRun;
}

void Refuse(core::Context& ctx, const char* prompt) {
  ctx.win.MsgBox(prompt, win::MB_ICONCRITICAL, core::kAppTitle);
}

bool Confirmed(core::Context& ctx) {
  const std::string destroy = std::string(text::kConfirmDestroy) + kCrLf + kCrLf +
                              drives::Print_Drive_Details(ctx) + kCrLf + kCrLf +
                              text::kConfirmReformat;
  if (ctx.win.MsgBox(destroy, win::MB_OKCANCEL, text::kConfirmTitle) == win::IDCANCEL) return false;
  const std::string erase =
      text::kConfirmErase + std::to_string(ctx.state.DiskNumber) + text::kConfirmEraseEnd;
  return ctx.win.MsgBox(erase, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, text::kConfirmTitle) !=
         win::IDCANCEL;
}

}  // namespace

void cmdQuickTest_Click(core::Context& ctx) {
  core::State& st = ctx.state;
  st.LastOutcome = core::Outcome::NotRun;
  // The first call clears the "pressed since last asked" bit; the second tells whether SHIFT
  // is held now.
  ctx.win.GetAsyncKeyState(core::VK_SHIFT);
  st.DebugMode = ctx.win.GetAsyncKeyState(core::VK_SHIFT) != 0;
  st.CancelRequested = false;

  st.DiskNumber = diskio::GetDiskNumber(ctx, st.SelectedVolume);
  switch (CheckDisk(ctx, st.DiskNumber)) {
    case DiskCheck::OutOfRange:
      return;
    case DiskCheck::SystemDisk:
      Refuse(ctx, text::kSystemDisk);
      return;
    case DiskCheck::Testable:
      break;
  }

  drives::GetUSBDiskDriveInfo(ctx, st.DiskNumber);
  const double sizeMiB = st.DriveSizeBytes / 1024 / 1024;
  if (sizeMiB == 0) {
    Refuse(ctx, text::kNeedsAdministrator);
    return;
  }
  if (sizeMiB < 0) {
    Refuse(ctx, text::kNotSupported);
    return;
  }

  ctx.win.SetText(Control::Text1, st.WindowTitle + kCrLf + drives::Print_Drive_Details(ctx) + kCrLf +
                                      text::kHeading);
  core::Text1_Change(ctx);
  core::LogText(ctx, kCrLf + ctx.win.Text(Control::Combo1));

  if (!Confirmed(ctx)) return;

  core::Show_Cancel(ctx);
  ctx.win.SetVisible(Control::cmdQuickTest, true);
  const QuickTestResult result = QuickSizeTest(ctx);
  st.LastOutcome = OutcomeOf(result.end);
  st.DebugMode = false;
  core::Hide_Cancel(ctx);
}

}  // namespace sw::quicktest
