// The Quick Size Test button: debug mode, the drive checks and refusals, the heading, the two
// confirmations, the busy layout around the engine.
#include "quicktest/QuickTestCommand.h"

#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "drives/CommandOpening.h"
#include "drives/DriveChecks.h"
#include "drives/DriveInfo.h"
#include "platform/WinApi.h"
#include "quicktest/QuickSizeTest.h"
#include "quicktest/QuickTestRecord.h"
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
    case TestEnd::WriteFailed:
      return core::Outcome::Failed;
    case TestEnd::Cancelled:
    case TestEnd::AbortedWriteError:
    case TestEnd::AbortedDriveLost:
      return core::Outcome::Cancelled;
    case TestEnd::NotStarted:
      break;
  }
  return core::Outcome::NotRun;
}

bool Confirmed(core::Context& ctx, const std::string& deviceLine) {
  const std::string destroy = std::string(text::kConfirmDestroy) + kCrLf + kCrLf +
                              drives::Print_Drive_Details(ctx) + kCrLf + kCrLf +
                              text::kConfirmReformat;
  if (ctx.win.MsgBox(drives::WithDeviceLine(destroy, deviceLine), drives::kWriteQuestionStyle, text::kConfirmTitle) ==
      win::IDCANCEL) {
    return false;
  }
  const std::string erase =
      text::kConfirmErase + std::to_string(ctx.state.DiskNumber) + text::kConfirmEraseEnd;
  return ctx.win.MsgBox(drives::WithDeviceLine(erase, deviceLine),
                        drives::kWriteQuestionStyle, text::kConfirmTitle) != win::IDCANCEL;
}

}  // namespace

void cmdQuickTest_Click(core::Context& ctx) {
  core::State& st = ctx.state;
  const drives::CommandOpening opening(ctx, {StartQuickRecord, nullptr, text::kHeading});
  if (!opening.ready()) return;
  if (!Confirmed(ctx, opening.deviceLine()) || !drives::StillPickedAfterQuestions(ctx)) return;

  core::Show_Cancel(ctx);
  ctx.win.SetVisible(Control::cmdQuickTest, true);
  const platform::LocalTime started = ctx.os.Now();
  const QuickTestResult result = QuickSizeTest(ctx);
  RecordQuickResult(ctx, result, static_cast<double>(ctx.os.Now() - started));
  st.LastOutcome = OutcomeOf(result.end);
  st.DebugMode = false;
  core::Hide_Cancel(ctx);
}

}  // namespace sw::quicktest
