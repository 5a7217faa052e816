// The Quick Size Test button: debug mode, the drive checks and refusals, the heading, the two
// confirmations, the busy layout around the engine.
#include "quicktest/QuickTestCommand.h"

#include <string>

#include "app/Layouts.h"
#include "app/Log.h"
#include "diskio/DriveLetters.h"
#include "drives/DriveInfo.h"
#include "platform/WinApi.h"
#include "quicktest/QuickSizeTest.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest {

namespace {

using app::Control;
using app::kCrLf;

app::Outcome OutcomeOf(TestEnd end) {
  switch (end) {
    case TestEnd::Passed:
      return app::Outcome::Passed;
    case TestEnd::Failed:
      return app::Outcome::Failed;
    case TestEnd::Cancelled:
    case TestEnd::AbortedWriteError:
      return app::Outcome::Cancelled;
    case TestEnd::NotStarted:
      break;
  }
  return app::Outcome::NotRun;
}

void Refuse(app::Context& ctx, const char* prompt) {
  ctx.win.MsgBox(prompt, win::MB_ICONCRITICAL, app::kAppTitle);
}

bool Confirmed(app::Context& ctx) {
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

void cmdQuickTest_Click(app::Context& ctx) {
  app::State& st = ctx.state;
  st.LastOutcome = app::Outcome::NotRun;
  // The first call clears the "pressed since last asked" bit; the second tells whether SHIFT
  // is held now.
  ctx.win.GetAsyncKeyState(app::VK_SHIFT);
  st.DebugMode = ctx.win.GetAsyncKeyState(app::VK_SHIFT) != 0;
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
  app::Text1_Change(ctx);
  app::LogText(ctx, kCrLf + ctx.win.Text(Control::Combo1));

  if (!Confirmed(ctx)) return;

  app::Show_Cancel(ctx);
  ctx.win.SetVisible(Control::cmdQuickTest, true);
  const QuickTestResult result = QuickSizeTest(ctx);
  st.LastOutcome = OutcomeOf(result.end);
  st.DebugMode = false;
  app::Hide_Cancel(ctx);
}

}  // namespace sw::quicktest
