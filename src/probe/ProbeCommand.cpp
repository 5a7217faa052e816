// The Exact Probe button: the drive checks the Quick Size Test makes too, two questions that
// name the disk, then the engine on the claimed drive, which it never wipes.
#include "probe/ProbeCommand.h"

#include <optional>
#include <string>
#include <vector>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/ClaimedDrive.h"
#include "diskio/DriveClaim.h"
#include "diskio/PinnedDrive.h"
#include "drives/CommandOpening.h"
#include "drives/DriveChecks.h"
#include "drives/DriveInfo.h"
#include "platform/WinApi.h"
#include "probe/ProbeEngine.h"
#include "probe/ProbeRecord.h"
#include "probe/ProbeReport.h"
#include "probe/ProbeTexts.h"
#include "probe/RestoreCommand.h"

namespace sw::probe {

namespace {

using core::kCrLf;

bool Confirmed(core::Context& ctx, const std::string& deviceLine, bool destructive) {
  const std::string details = kCrLf + std::string(kCrLf) + drives::Print_Drive_Details(ctx) + kCrLf + kCrLf;
  const std::string first = destructive ? text::kConfirmDestroy + details + text::kConfirmReformat
                                        : text::kConfirmKeep + details + text::kConfirmKeepNote;
  if (ctx.win.MsgBox(drives::WithDeviceLine(first, deviceLine), drives::kWriteQuestionStyle, text::kConfirmTitle) ==
      win::IDCANCEL) {
    return false;
  }
  const std::string disk = std::to_string(ctx.state.DiskNumber);
  const std::string second = destructive ? text::kConfirmErase + disk + text::kConfirmEraseEnd
                                         : text::kConfirmProbe + disk + text::kConfirmProbeEnd;
  return ctx.win.MsgBox(drives::WithDeviceLine(second, deviceLine),
                        drives::kWriteQuestionStyle, text::kConfirmTitle) != win::IDCANCEL;
}

ProbeFindings EndedBeforeTheEngine(ProbeEnd end) {
  ProbeFindings findings;
  findings.end = end;
  return findings;
}

// The engine on the drive, claimed for it and released on every way out. Nothing when the
// drive may not be written (still mounted, held elsewhere): then nothing was written.
std::optional<ProbeFindings> ProbeClaimedDrive(core::Context& ctx, const ProbeOptions& options) {
  const std::int32_t disk = ctx.state.DiskNumber;
  // Checked here as well as in the checks before the questions: this routine writes.
  if (drives::CheckDisk(ctx, disk) != drives::DiskCheck::Testable) return std::nullopt;
  core::LogText(ctx, kCrLf + std::string(kCrLf) + text::kProbing + std::to_string(disk) +
                         (options.destructive ? text::kProbingDestroy : text::kProbingKeep));
  ctx.win.DoEvents();
  // Cancel pressed before the engine starts: nothing is claimed, nothing written.
  if (ctx.state.CancelRequested) return EndedBeforeTheEngine(ProbeEnd::Cancelled);
  if (diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) {
    return EndedBeforeTheEngine(ProbeEnd::DriveLost);
  }
  ProbeFindings findings;
  {
    diskio::ClaimedDrive drive(ctx, disk);
    if (!drive.Claim()) return std::nullopt;
    findings = ctx.state.IdentityLost == core::IdentityCheck::Same
                   ? ProbeDrive(ctx, options)
                   : EndedBeforeTheEngine(ProbeEnd::DriveLost);
  }
  // A probe that kept the data gives the file systems back as they were; after a destructive
  // one they hold the probe's blocks, and a drive that was swapped is not ours to mount.
  if (!options.destructive && findings.end != ProbeEnd::DriveLost) {
    const std::vector<std::string> notRemounted = ctx.os.RemountDisk(disk);
    if (!notRemounted.empty()) core::LogText(ctx, kCrLf + diskio::StillMountedText({}, notRemounted));
  }
  return findings;
}

core::Outcome OutcomeOf(const std::optional<ProbeFindings>& findings) {
  if (!findings) return core::Outcome::NotRun;
  switch (findings->end) {
    case ProbeEnd::Completed:
      return IsGenuine(*findings) ? core::Outcome::Passed : core::Outcome::Failed;
    case ProbeEnd::Failed:
      return core::Outcome::Failed;
    case ProbeEnd::Unfinished:
      return ProvenFake(*findings) ? core::Outcome::Failed : core::Outcome::Cancelled;
    case ProbeEnd::NoJournal:
    case ProbeEnd::Cancelled:
    case ProbeEnd::DriveLost:
      break;
  }
  return core::Outcome::Cancelled;
}

}  // namespace

void cmdProbe_Click(core::Context& ctx) {
  core::State& st = ctx.state;
  ProbeOptions options;
  options.destructive = st.ProbeDestructive;
  const drives::CommandOpening opening(
      ctx, {StartProbeRecord, RefuseWhileRestorePending, options.destructive ? text::kHeadingDestructive : text::kHeading});
  if (!opening.ready()) return;
  if (!Confirmed(ctx, opening.deviceLine(), options.destructive) || !drives::StillPickedAfterQuestions(ctx)) return;

  core::Show_Cancel(ctx);
  const platform::LocalTime started = ctx.os.Now();
  const std::optional<ProbeFindings> findings = ProbeClaimedDrive(ctx, options);
  const auto elapsed = static_cast<double>(ctx.os.Now() - started);
  if (findings) ReportFindings(ctx, *findings, options, elapsed);
  RecordProbeResult(ctx, findings, elapsed);
  st.LastOutcome = OutcomeOf(findings);
  st.DebugMode = false;
  core::Hide_Cancel(ctx);
}

}  // namespace sw::probe
