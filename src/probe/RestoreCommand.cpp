// Finding the journals of interrupted probes, and putting their blocks back.
#include "probe/RestoreCommand.h"

#include <optional>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/ClaimedDrive.h"
#include "diskio/DevicePaths.h"
#include "diskio/DriveClaim.h"
#include "diskio/HandleGuards.h"
#include "diskio/PinnedDrive.h"
#include "diskio/RunClaim.h"
#include "drives/DriveChecks.h"
#include "drives/TextFormat.h"
#include "platform/WinApi.h"
#include "probe/BackupJournal.h"
#include "probe/ProbeIo.h"
#include "probe/ProbeTexts.h"
#include "probe/RestoreTexts.h"

namespace sw::probe {

namespace {

using core::kCrLf;

std::string Line(const std::string& text) { return kCrLf + text; }

std::optional<core::DriveIdentity> IdentityOf(core::Context& ctx, std::int32_t disk) {
  const diskio::OwnedHandle h(
      ctx.os, ctx.os.CreateFileA(diskio::DevicePath(diskio::PhysicalDriveName(std::to_string(disk))), win::GENERIC_READ,
                                 win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0));
  if (!h.opened()) return std::nullopt;
  std::optional<core::DriveIdentity> id = diskio::ReadDriveIdentity(ctx, h.get());
  if (!id || id->DiskNumber != disk) return std::nullopt;
  return id;
}

std::int32_t ConnectedDriveFor(core::Context& ctx, const JournalHeader& header) {
  const int last = ctx.os.LastDriveNumberToList();
  for (std::int32_t disk = 1; disk <= last; ++disk) {
    if (drives::CheckDisk(ctx, disk) != drives::DiskCheck::Testable) continue;
    const std::optional<core::DriveIdentity> id = IdentityOf(ctx, disk);
    if (id && JournalIsFor(header, *id)) return disk;
  }
  return -1;
}

// Every journal that has blocks to put back, drive not yet looked up. Journals without a whole
// header (its append never returned, so the probe wrote nothing) or without a block (it died
// before its first write) are deleted on the way.
std::vector<PendingRestore> JournalsWithBlocks(core::Context& ctx) {
  std::vector<PendingRestore> found;
  for (const std::string& name : ctx.os.StateFiles()) {
    if (!IsJournalName(name)) continue;
    const std::optional<std::vector<std::uint8_t>> bytes = ctx.os.ReadStateFile(name);
    if (!bytes) continue;
    std::optional<JournalContents> journal = DecodeJournal(*bytes);
    if (!journal || journal->blocks.empty()) {
      ctx.os.DeleteStateFile(name);
      continue;
    }
    PendingRestore p;
    p.file = name;
    p.journal = std::move(*journal);
    found.push_back(std::move(p));
  }
  return found;
}

std::string StickWords(const JournalHeader& h) {
  const std::string size = drives::FormatDecimals(static_cast<double>(h.sizeBytes), text::kBytesPattern) + " bytes";
  if (h.serial.empty()) return h.model + " (" + text::kNoSerial + ", " + size + ")";
  return h.model + ", serial " + h.serial + ", " + size;
}

// One journal on its connected drive. The Outcome of what happened there.
core::Outcome RestoreOne(core::Context& ctx, const PendingRestore& p) {
  core::State& st = ctx.state;
  st.DiskNumber = p.disk;
  if (!diskio::PinDrive(ctx, p.disk) || !JournalIsFor(p.journal.header, st.Pinned->identity)) {
    return core::Outcome::NotRun;  // gone or another drive since the search: nothing to ask
  }
  const diskio::RunClaim claim(ctx);
  if (!claim.held()) return core::Outcome::NotRun;
  const std::string deviceLine = diskio::PinnedDriveLine(st);
  core::LogText(ctx, Line(deviceLine));
  const std::string question = text::kRestoreQuestion1 + p.journal.header.date + text::kRestoreQuestion2 +
                               std::to_string(p.journal.blocks.size()) + text::kRestoreQuestion3;
  if (ctx.win.MsgBox(drives::WithDeviceLine(question, deviceLine), drives::kWriteQuestionStyle,
                     text::kRestoreTitle) == win::IDCANCEL) {
    return core::Outcome::NotRun;
  }
  if (!drives::StillPickedAfterQuestions(ctx)) return core::Outcome::Cancelled;
  core::LogText(ctx, Line(text::kRestoring + std::to_string(p.disk) + text::kRestoringEnd));
  std::vector<std::int64_t> unrestored;
  bool lost = false;
  {
    diskio::ClaimedDrive drive(ctx, p.disk);
    if (!drive.Claim()) return core::Outcome::NotRun;
    detail::ProbeIo io(ctx, UINT64_MAX);
    detail::BackupJournal journal(io, false);
    journal.Load(p.journal);
    io.Progress(text::kPhaseRestore, 0, 1);
    journal.Restore();
    io.Progress(text::kPhaseRestore, 1, 1);
    unrestored = journal.Unrestored();
    lost = io.Lost();
  }
  // What the claim took down goes back up; a drive that changed meanwhile is not ours to mount.
  if (!lost) {
    const std::vector<std::string> notRemounted = ctx.os.RemountDisk(p.disk);
    if (!notRemounted.empty()) core::LogText(ctx, kCrLf + diskio::StillMountedText({}, notRemounted));
  }
  if (lost) {
    drives::EndAsDriveLost(ctx);
  } else if (unrestored.empty()) {
    ctx.os.DeleteStateFile(p.file);
    core::LogText(ctx, Line(text::kRestored));
    core::LogText(ctx, Line(text::kRemountHint));
    return core::Outcome::Passed;
  } else {
    core::LogText(ctx, Line(text::kRestoreFailed + std::to_string(unrestored.size()) + text::kRestoreFailedSectors +
                            std::to_string(unrestored.front()) + (unrestored.size() > 1 ? ", ..." : "")));
  }
  core::LogText(ctx, Line(text::kJournalKept + ctx.os.StateFolder() + text::kJournalKeptEnd));
  return lost ? core::Outcome::Cancelled : core::Outcome::Failed;
}

void SayWhereItWaits(core::Context& ctx, const PendingRestore& p) {
  const JournalHeader& h = p.journal.header;
  core::LogText(ctx, Line(text::kWaiting1 + StickWords(h) + text::kWaiting2 + h.date + text::kWaiting3 + h.device +
                          text::kWaiting4 + ctx.os.StateFolder() + text::kWaiting5));
}

// The worst of two outcomes, for a run over several drives.
core::Outcome Worse(core::Outcome a, core::Outcome b) {
  const auto rank = [](core::Outcome o) {
    switch (o) {
      case core::Outcome::NotRun:
        return 0;
      case core::Outcome::Passed:
        return 1;
      case core::Outcome::Cancelled:
        return 2;
      case core::Outcome::Failed:
        break;
    }
    return 3;
  };
  return rank(a) >= rank(b) ? a : b;
}

}  // namespace

std::vector<PendingRestore> FindPendingRestores(core::Context& ctx) {
  std::vector<PendingRestore> pending = JournalsWithBlocks(ctx);
  for (PendingRestore& p : pending) p.disk = ConnectedDriveFor(ctx, p.journal.header);
  return pending;
}

void RestoreInterruptedProbes(core::Context& ctx) {
  core::State& st = ctx.state;
  drives::BeginTestCommand(ctx);
  ctx.win.SetText(core::Control::Text1, st.WindowTitle + kCrLf + text::kRestoreHeading);
  const std::vector<PendingRestore> pending = FindPendingRestores(ctx);
  if (pending.empty()) core::LogText(ctx, Line(text::kNothingToRestore));
  core::Outcome outcome = core::Outcome::NotRun;
  core::Show_Cancel(ctx);
  for (const PendingRestore& p : pending) {
    if (p.disk < 0) {
      SayWhereItWaits(ctx, p);
      continue;
    }
    outcome = Worse(outcome, RestoreOne(ctx, p));
  }
  core::Hide_Cancel(ctx);
  st.LastOutcome = outcome;
}

void OfferRestoreAtStart(core::Context& ctx) {
  for (const PendingRestore& p : FindPendingRestores(ctx)) {
    if (p.disk < 0) continue;
    const std::string offer = text::kRestoreAtStart1 + std::to_string(p.journal.blocks.size()) + text::kRestoreAtStart2;
    if (ctx.win.MsgBox(offer + kCrLf + kCrLf + StickWords(p.journal.header), win::MB_OKCANCEL | win::MB_ICONWARNING,
                       text::kRestoreTitle) == win::IDCANCEL) {
      continue;
    }
    RestoreInterruptedProbes(ctx);
    return;
  }
}

std::string PendingRestoreNote(core::Context& ctx, const std::string& program) {
  std::string note;
  for (const PendingRestore& p : FindPendingRestores(ctx)) {
    if (p.disk < 0) continue;
    note += text::kPendingNote1 + std::to_string(p.journal.blocks.size()) + text::kPendingNote2 +
            ctx.os.DeviceName(p.disk) + text::kPendingNote3 + program + text::kPendingNote4 + "\n";
  }
  return note;
}

bool RefuseWhileRestorePending(core::Context& ctx) {
  if (!ctx.state.Pinned) return false;
  for (const PendingRestore& p : JournalsWithBlocks(ctx)) {
    if (!JournalIsFor(p.journal.header, ctx.state.Pinned->identity)) continue;
    core::LogMsgBox(ctx, std::string(text::kJournalPending) + text::kJournalPendingEnd, win::MB_ICONWARNING);
    ctx.state.LastRun.errors.push_back({core::error_code::kRefused, text::kJournalPending});
    return true;
  }
  return false;
}

}  // namespace sw::probe
