// The Make Usable command, on the path of the full-surface test's: checks, the plan, questions,
// the claim of the pinned disk, its identity checked again before the first write, and
// everything released on every way out.
#include "fix/FixCommand.h"

#include <optional>
#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/ClaimedDrive.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/PinnedDrive.h"
#include "diskio/SectorIO.h"
#include "drives/CommandOpening.h"
#include "drives/DriveChecks.h"
#include "drives/DriveInfo.h"
#include "fix/FixPlan.h"
#include "fix/FixReport.h"
#include "fix/FixRun.h"
#include "fix/FixTexts.h"
#include "fix/MeasuredEnd.h"
#include "platform/WinApi.h"
#include "probe/RestoreCommand.h"

namespace sw::fix {

namespace {

using core::kCrLf;

bool Confirmed(core::Context& ctx, const std::string& deviceLine, const FixPlan& plan) {
  const std::string details = kCrLf + std::string(kCrLf) + drives::Print_Drive_Details(ctx) + kCrLf + kCrLf;
  const std::string size = text::kConfirmSize + SizeWords(plan.lengthBytes) + " " +
                           FileSystemTitle(plan.fileSystem) + text::kConfirmSizeMiddle +
                           std::to_string(plan.FirstSector()) + text::kConfirmSizeTo +
                           std::to_string(plan.LastSector()) + text::kConfirmSizeEnd;
  const std::string first = text::kConfirmDestroy + details + size;
  if (ctx.win.MsgBox(drives::WithDeviceLine(first, deviceLine), drives::kWriteQuestionStyle, text::kTitle) ==
      win::IDCANCEL) {
    return false;
  }
  const std::string second =
      text::kConfirmErase + std::to_string(ctx.state.DiskNumber) + text::kConfirmEraseEnd;
  return ctx.win.MsgBox(drives::WithDeviceLine(second, deviceLine), drives::kWriteQuestionStyle, text::kTitle) !=
         win::IDCANCEL;
}

// The drive's size and logical sector as it reports them now, through a short open.
PlanInput DriveFacts(core::Context& ctx) {
  PlanInput in;
  in.measured = MeasuredEndOfPinned(ctx.state);
  in.request = ctx.state.Fix;
  in.diskBytes = static_cast<std::uint64_t>(ctx.state.DriveSizeBytes);
  if (diskio::Open_Physical_Disk_hDrive(ctx, ctx.state.DiskNumber)) {
    in.diskBytes = static_cast<std::uint64_t>(diskio::DriveSectors(ctx)) * diskio::kSectorBytes;
    in.sectorBytes = diskio::DriveSectorBytes(ctx);
  }
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  return in;
}

// The fix on the drive, claimed for it and released on every way out. Nothing when the drive
// may not be written (still mounted, held elsewhere): then nothing was written.
std::optional<FixOutcome> FixClaimedDrive(core::Context& ctx, const FixPlan& plan) {
  const std::int32_t disk = ctx.state.DiskNumber;
  if (drives::CheckDisk(ctx, disk) != drives::DiskCheck::Testable) return std::nullopt;
  core::LogText(ctx, kCrLf + std::string(kCrLf) + text::kMaking + std::to_string(disk) + text::kMakingEnd);
  ReportPlan(ctx, plan);
  ctx.win.DoEvents();
  if (ctx.state.CancelRequested) return std::nullopt;
  if (diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) return FixOutcome{FixEnd::DriveLost, {}, {}};
  diskio::ClaimedDrive drive(ctx, disk);
  if (!drive.Claim()) return std::nullopt;
  if (ctx.state.IdentityLost != core::IdentityCheck::Same) return FixOutcome{FixEnd::DriveLost, {}, {}};
  return RunFix(ctx, disk, plan);
}

}  // namespace

void cmdFix_Click(core::Context& ctx) {
  core::State& st = ctx.state;
  // An interrupted probe's saved blocks would be put back over the new file system.
  const drives::CommandOpening opening(ctx, {StartFixRecord, probe::RefuseWhileRestorePending, text::kHeading});
  if (!opening.ready()) return;
  const PlanOutcome planned = PlanFix(DriveFacts(ctx));
  if (!planned.plan) {
    ReportRefusal(ctx, planned.refusal);
    return;
  }
  const FixPlan& plan = *planned.plan;
  if (!Confirmed(ctx, opening.deviceLine(), plan) || !drives::StillPickedAfterQuestions(ctx)) return;

  core::Show_Cancel(ctx);
  const platform::LocalTime started = ctx.os.Now();
  const std::optional<FixOutcome> outcome = FixClaimedDrive(ctx, plan);
  st.LastRun.elapsedSeconds = static_cast<double>(ctx.os.Now() - started);
  if (!outcome) {
    st.LastRun.verdict = st.CancelRequested ? core::Verdict::Cancelled : core::Verdict::Refused;
    st.LastOutcome = st.CancelRequested ? core::Outcome::Cancelled : core::Outcome::NotRun;
  } else if (outcome->end == FixEnd::DriveLost) {
    drives::EndAsDriveLost(ctx);
    RecordFix(ctx, plan, *outcome);
  } else {
    ReportOutcome(ctx, plan, *outcome);
    RecordFix(ctx, plan, *outcome);
    st.LastOutcome = st.LastRun.verdict == core::Verdict::Passed   ? core::Outcome::Passed
                     : st.LastRun.verdict == core::Verdict::Failed ? core::Outcome::Failed
                                                                   : core::Outcome::Cancelled;
  }
  st.DebugMode = false;
  core::Hide_Cancel(ctx);
}

}  // namespace sw::fix
