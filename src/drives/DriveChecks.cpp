// The drive checks and the report's start shared by the tests of the raw disk.
#include "drives/DriveChecks.h"

#include "core/Log.h"
#include "diskio/DriveLetters.h"
#include "diskio/PinnedDrive.h"
#include "drives/DriveInfo.h"
#include "drives/DriveRecord.h"
#include "drives/DriveTexts.h"
#include "platform/WinApi.h"

namespace sw::drives {

namespace {

using core::kCrLf;

void Refuse(core::Context& ctx, const char* prompt) {
  ctx.win.MsgBox(prompt, win::MB_ICONCRITICAL, core::kAppTitle);
}

}  // namespace

DiskCheck CheckDisk(core::Context& ctx, std::int32_t disk) {
  if (disk <= 0 || disk > kHighestDiskNumber) return DiskCheck::OutOfRange;
  if (disk == ctx.os.SystemDiskNumber()) return DiskCheck::SystemDisk;
  return DiskCheck::Testable;
}

void BeginTestCommand(core::Context& ctx) {
  core::State& st = ctx.state;
  st.LastOutcome = core::Outcome::NotRun;
  // The first call clears the "pressed since last asked" bit; the second tells whether SHIFT
  // is held now.
  ctx.win.GetAsyncKeyState(core::VK_SHIFT);
  st.DebugMode = ctx.win.GetAsyncKeyState(core::VK_SHIFT) != 0;
  st.CancelRequested = false;
}

bool TakeSelectedDisk(core::Context& ctx) {
  core::State& st = ctx.state;
  st.DiskNumber = diskio::GetDiskNumber(ctx, st.SelectedVolume);
  switch (CheckDisk(ctx, st.DiskNumber)) {
    case DiskCheck::OutOfRange:
      return false;
    case DiskCheck::SystemDisk:
      Refuse(ctx, text::kSystemDisk);
      return false;
    case DiskCheck::Testable:
      break;
  }
  GetUSBDiskDriveInfo(ctx, st.DiskNumber);
  return true;
}

bool AcceptPickedDrive(core::Context& ctx) {
  core::State& st = ctx.state;
  const double sizeMiB = st.DriveSizeBytes / 1024 / 1024;
  if (sizeMiB == 0) {
    Refuse(ctx, ctx.os.Wording().needsRawAccessRights);
    return false;
  }
  if (sizeMiB < 0) {
    Refuse(ctx, text::kNotSupported);
    return false;
  }
  st.IdentityLost = core::IdentityCheck::Same;
  if (!st.Pinned && !diskio::PinDrive(ctx, st.DiskNumber)) {
    st.IdentityLost = core::IdentityCheck::Gone;
  } else if (st.Pinned->identity.DiskNumber != st.DiskNumber) {
    st.IdentityLost = core::IdentityCheck::Changed;
  } else if (diskio::VerifyPinnedDrive(ctx) == core::IdentityCheck::Same) {
    TakePinnedIdentity(st);
    return true;
  }
  EndAsDriveLost(ctx);
  return false;
}

std::string StartTestReport(core::Context& ctx, const std::string& heading) {
  core::State& st = ctx.state;
  ctx.win.SetText(core::Control::Text1,
                  st.WindowTitle + kCrLf + Print_Drive_Details(ctx) + kCrLf + heading);
  core::Text1_Change(ctx);
  core::LogText(ctx, kCrLf + ctx.win.Text(core::Control::Combo1));
  const std::string deviceLine = diskio::PinnedDriveLine(st);
  if (!deviceLine.empty()) core::LogText(ctx, kCrLf + deviceLine);
  return deviceLine;
}

std::string WithDeviceLine(const std::string& prompt, const std::string& deviceLine) {
  return deviceLine.empty() ? prompt : prompt + kCrLf + kCrLf + deviceLine;
}

bool StillPickedAfterQuestions(core::Context& ctx) {
  if (diskio::VerifyPinnedDrive(ctx) == core::IdentityCheck::Same) return true;
  EndAsDriveLost(ctx);
  return false;
}

void EndAsDriveLost(core::Context& ctx) {
  core::LogText(ctx, kCrLf + diskio::IdentityLostLine(ctx.state.IdentityLost));
  ctx.state.LastOutcome = core::Outcome::Cancelled;
}

}  // namespace sw::drives
