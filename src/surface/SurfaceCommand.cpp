// The Full Surface Test command, on the path of the exact probe's: checks, questions, the claim of
// the pinned disk, its identity checked again before the first write, and everything released on
// every way out.
#include "surface/SurfaceCommand.h"

#include <optional>
#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/ClaimedDrive.h"
#include "diskio/PinnedDrive.h"
#include "drives/CommandOpening.h"
#include "drives/DriveChecks.h"
#include "drives/DriveInfo.h"
#include "platform/WinApi.h"
#include "probe/RestoreCommand.h"
#include "surface/SurfaceEngine.h"
#include "surface/SurfaceRecord.h"
#include "surface/SurfaceReport.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface {

namespace {

using core::kCrLf;

bool Confirmed(core::Context& ctx, const std::string& deviceLine) {
  const std::string details = kCrLf + std::string(kCrLf) + drives::Print_Drive_Details(ctx) + kCrLf + kCrLf;
  const std::string first = text::kConfirmDestroy + details + text::kConfirmReformat;
  if (ctx.win.MsgBox(drives::WithDeviceLine(first, deviceLine), drives::kWriteQuestionStyle, text::kTitle) ==
      win::IDCANCEL) {
    return false;
  }
  const std::string second =
      text::kConfirmErase + std::to_string(ctx.state.DiskNumber) + text::kConfirmEraseEnd;
  return ctx.win.MsgBox(drives::WithDeviceLine(second, deviceLine), drives::kWriteQuestionStyle, text::kTitle) !=
         win::IDCANCEL;
}

SurfaceFindings EndedBeforeTheEngine(SurfaceEnd end, std::int64_t totalSectors) {
  SurfaceFindings findings;
  findings.end = end;
  findings.totalSectors = totalSectors;
  return findings;
}

// The engine on the drive, claimed for it and released on every way out. Nothing when the drive
// may not be written (still mounted, held elsewhere): then nothing was written.
std::optional<SurfaceFindings> TestClaimedDrive(core::Context& ctx) {
  const std::int32_t disk = ctx.state.DiskNumber;
  const auto total = static_cast<std::int64_t>(ctx.state.DriveSizeBytes / 512);
  // Checked here as well as before the questions: this routine writes.
  if (drives::CheckDisk(ctx, disk) != drives::DiskCheck::Testable) return std::nullopt;
  core::LogText(ctx, kCrLf + std::string(kCrLf) + text::kTesting + std::to_string(disk) + text::kTestingEnd);
  ctx.win.DoEvents();
  if (ctx.state.CancelRequested) return EndedBeforeTheEngine(SurfaceEnd::Cancelled, total);
  if (diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) {
    return EndedBeforeTheEngine(SurfaceEnd::DriveLost, total);
  }
  diskio::ClaimedDrive drive(ctx, disk);
  if (!drive.Claim()) return std::nullopt;
  if (ctx.state.IdentityLost != core::IdentityCheck::Same) return EndedBeforeTheEngine(SurfaceEnd::DriveLost, total);
  return SurfaceTest(ctx, SurfaceOptions{});
}

core::Outcome OutcomeOf(const std::optional<SurfaceFindings>& findings) {
  if (!findings) return core::Outcome::NotRun;
  if (Passed(*findings)) return core::Outcome::Passed;
  return ProvenBad(*findings) ? core::Outcome::Failed : core::Outcome::Cancelled;
}

}  // namespace

void cmdSurface_Click(core::Context& ctx) {
  core::State& st = ctx.state;
  // An interrupted probe's saved blocks would be put back over this test's, or over the file
  // system made after it: they go back first.
  const drives::CommandOpening opening(ctx, {StartSurfaceRecord, probe::RefuseWhileRestorePending, text::kHeading});
  if (!opening.ready()) return;
  if (!Confirmed(ctx, opening.deviceLine()) || !drives::StillPickedAfterQuestions(ctx)) return;

  core::Show_Cancel(ctx);
  const platform::LocalTime started = ctx.os.Now();
  const std::optional<SurfaceFindings> findings = TestClaimedDrive(ctx);
  const auto elapsed = static_cast<double>(ctx.os.Now() - started);
  if (findings) ReportFindings(ctx, *findings, elapsed);
  RecordSurfaceResult(ctx, findings, elapsed);
  st.LastOutcome = OutcomeOf(findings);
  st.DebugMode = false;
  core::Hide_Cancel(ctx);
}

}  // namespace sw::surface
