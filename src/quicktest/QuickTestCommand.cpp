// The Quick Size Test button: debug mode, the drive checks and refusals, the heading, the two
// confirmations, the busy layout around the engine.
#include "quicktest/QuickTestCommand.h"

#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/DriveLetters.h"
#include "diskio/PinnedDrive.h"
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

void Refuse(core::Context& ctx, const char* prompt) {
  ctx.win.MsgBox(prompt, win::MB_ICONCRITICAL, core::kAppTitle);
}

// The specified words of each question stay as they are; the disk they are about follows in a
// line of its own, so that the user can tell it from every other disk before saying yes.
std::string WithDeviceLine(const std::string& prompt, const std::string& deviceLine) {
  return deviceLine.empty() ? prompt : prompt + kCrLf + kCrLf + deviceLine;
}

bool Confirmed(core::Context& ctx, const std::string& deviceLine) {
  const std::string destroy = std::string(text::kConfirmDestroy) + kCrLf + kCrLf +
                              drives::Print_Drive_Details(ctx) + kCrLf + kCrLf +
                              text::kConfirmReformat;
  if (ctx.win.MsgBox(WithDeviceLine(destroy, deviceLine), win::MB_OKCANCEL, text::kConfirmTitle) ==
      win::IDCANCEL) {
    return false;
  }
  const std::string erase =
      text::kConfirmErase + std::to_string(ctx.state.DiskNumber) + text::kConfirmEraseEnd;
  return ctx.win.MsgBox(WithDeviceLine(erase, deviceLine),
                        win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, text::kConfirmTitle) != win::IDCANCEL;
}

// The drive picked is the drive tested: a letter that now leads to another disk, or a disk that
// is no longer the one picked, ends the command before anything is written. Without a pick
// (nothing was pinned) the drive behind the letter now is pinned here.
bool StillThePickedDrive(core::Context& ctx) {
  core::State& st = ctx.state;
  if (!st.Pinned && !diskio::PinDrive(ctx, st.DiskNumber)) {
    st.IdentityLost = core::IdentityCheck::Gone;
    return false;
  }
  if (st.Pinned->identity.DiskNumber != st.DiskNumber) {
    st.IdentityLost = core::IdentityCheck::Changed;
    return false;
  }
  return diskio::VerifyPinnedDrive(ctx) == core::IdentityCheck::Same;
}

void EndAsDriveLost(core::Context& ctx) {
  core::LogText(ctx, kCrLf + diskio::IdentityLostLine(ctx.state.IdentityLost));
  ctx.state.LastOutcome = core::Outcome::Cancelled;
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
  StartQuickRecord(ctx);
  const double sizeMiB = st.DriveSizeBytes / 1024 / 1024;
  if (sizeMiB == 0) {
    Refuse(ctx, ctx.os.Wording().needsRawAccessRights);
    return;
  }
  if (sizeMiB < 0) {
    Refuse(ctx, text::kNotSupported);
    return;
  }
  st.IdentityLost = core::IdentityCheck::Same;
  if (!StillThePickedDrive(ctx)) {
    EndAsDriveLost(ctx);
    return;
  }

  ctx.win.SetText(Control::Text1, st.WindowTitle + kCrLf + drives::Print_Drive_Details(ctx) + kCrLf +
                                      text::kHeading);
  core::Text1_Change(ctx);
  core::LogText(ctx, kCrLf + ctx.win.Text(Control::Combo1));
  const std::string deviceLine = diskio::PinnedDriveLine(st);
  if (!deviceLine.empty()) core::LogText(ctx, kCrLf + deviceLine);

  if (!Confirmed(ctx, deviceLine)) return;
  if (diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) {
    EndAsDriveLost(ctx);
    return;
  }

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
