// Preparing the drive and writing the marker blocks from its end towards its start, with the
// write-error rule and Cancel.
#include <string>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/PinnedDrive.h"
#include "diskio/SectorIO.h"
#include "diskio/Volumes.h"
#include "platform/WinApi.h"
#include "quicktest/MarkerBlock.h"
#include "quicktest/PassProgress.h"
#include "quicktest/ProgressLine.h"
#include "quicktest/QuickTestRun.h"
#include "quicktest/QuickTestTexts.h"
#include "quicktest/ReportLine.h"

namespace sw::quicktest::detail {

namespace {

using core::kCrLf;

// A failed write that blocks longer than this points at the cable or the device; the user is
// asked whether to go on. Quicker failures are retried once without asking.
constexpr std::uint32_t kSlowWriteMs = 500;
constexpr std::uint32_t kSettleMs = 500;
constexpr std::size_t kBlockBytes = 512;

// A marker written outside the pass (N - 1 before it, 0 after it) gets an error line, no box:
// the raw transfer has tried it twice already.
void WriteEdgeMarker(core::Context& ctx, QuickTestRun& run, std::int64_t sector) {
  SetMarkerNumber(sector, ctx.state.SectorBuffer.span());
  if (!diskio::WriteSectors(ctx, sector, 1)) {
    const std::string line = text::kEdgeWriteError + std::to_string(sector);
    core::LogText(ctx, Line(line));
    run.UnwrittenMarkers.push_back(sector);
    run.WriteFailures.push_back(line);
  }
}

void CancelRun(core::Context& ctx, const QuickTestRun& run) {
  ctx.os.Sleep(kSettleMs);
  diskio::Lock_Unlock_All_Volumes(ctx, run.disk, text::kUnlock);
  ctx.win.DoEvents();
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  core::Hide_Cancel(ctx);
  core::LogText(ctx, Line(text::kAborted));
  ctx.state.DebugMode = false;
}

void AbortOnWriteError(core::Context& ctx, const QuickTestRun& run, bool sayWriteError = true) {
  diskio::Lock_Unlock_All_Volumes(ctx, run.disk, text::kUnlock);
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  if (sayWriteError) core::LogText(ctx, Line(text::kAbortedOnWriteError));
}

// True to go on with the pass, false when the user chose to abort. The pass's first attempt is
// a single one, so that the box comes before a second slow write; this is the one retry.
bool HandleWriteError(core::Context& ctx, QuickTestRun& run, std::int64_t sector, std::uint32_t durationMs) {
  core::LogText(ctx, Line(text::kWriteError + std::to_string(sector)));
  RecordWriteErrorCell(ctx, sector);
  if (durationMs > kSlowWriteMs) {
    const std::string prompt = text::kSlowWriteAt + std::to_string(sector) + kCrLf + kCrLf +
                               text::kSlowWriteNote + kCrLf + kCrLf + text::kSlowWriteContinue;
    if (ctx.win.MsgBox(prompt, win::MB_OKCANCEL, text::kSlowWriteTitle) == win::IDCANCEL) {
      return false;
    }
  }
  if (!diskio::WriteSectors(ctx, sector, 1, diskio::Retry::None)) {
    NoteWriteFailure(ctx, run, text::kRetryFailed + std::to_string(sector) + text::kRetryFailedEnd);
    run.UnwrittenMarkers.push_back(sector);
  }
  return true;
}

}  // namespace

bool PrepareDrive(core::Context& ctx, QuickTestRun& run) {
  ctx.state.SectorBuffer.Resize(kBlockBytes);
  ctx.state.SectorBuffer.Fill(0xFF);
  // A drive that refuses sector 0 would keep its partition table, and one that cannot be opened
  // again would fail every marker: either way no marker could say anything about its memory.
  const bool wiped = diskio::WriteSectors(ctx, 0, 1);
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  if (!wiped) {
    if (ctx.state.IdentityLost == core::IdentityCheck::Same) NoteWriteFailure(ctx, run, text::kWipeFailed);
    return false;
  }
  ctx.os.Sleep(kSettleMs);
  if (diskio::Open_Physical_Disk_hDrive(ctx, run.disk, diskio::DriveSharing::NoOtherWriter)) return true;
  if (ctx.state.IdentityLost == core::IdentityCheck::Same) NoteWriteFailure(ctx, run, text::kReopenFailed);
  return false;
}

void NoteWriteFailure(core::Context& ctx, QuickTestRun& run, const std::string& line) {
  core::LogText(ctx, Line(line));
  run.WriteFailures.push_back(line);
}

WritePassEnd WriteMarkers(core::Context& ctx, QuickTestRun& run) {
  const auto intervalMiB = run.IntervalSectors / 2048;
  core::LogText(ctx, std::string(kCrLf) + kCrLf + text::kWritingMarkers + std::to_string(run.disk) +
                        text::kWritingMarkersAt + std::to_string(intervalMiB) +
                        text::kWritingMarkersUnit);
  run.TestStart = ctx.os.Now();
  run.PassStart = run.TestStart;
  run.LastPercent = 0;
  const std::int64_t last = run.TotalSectors - 1;
  // Written first, so that every later write stands between it and its read.
  const std::int64_t deviceLast = diskio::DriveSectors(ctx) - 1;
  if (deviceLast > last) {
    run.DeviceLastSector = deviceLast;
    WriteEdgeMarker(ctx, run, deviceLast);
  }
  WriteEdgeMarker(ctx, run, last);

  std::uint64_t markers = 0;
  while (run.RemainingBytes > 0) {
    if (ctx.state.CancelRequested) {
      CancelRun(ctx, run);
      return WritePassEnd::Cancelled;
    }
    const double step = run.RemainingBytes >= run.IntervalBytes ? run.IntervalBytes : run.RemainingBytes;
    const std::int64_t sector = run.TotalSectors - run.OffsetFromEnd - 1;
    SetMarkerNumber(sector, ctx.state.SectorBuffer.span());
    if (ctx.state.DebugMode) core::LogText(ctx, Line(text::kWriteSectorTo + std::to_string(sector)));
    const std::uint32_t before = ctx.os.GetTickCount();
    const bool written = diskio::WriteSectors(ctx, sector, 1, diskio::Retry::None);
    const std::uint32_t duration = ctx.os.GetTickCount() - before;
    // A stick pulled out makes every write fail; no retry or box then, only the reason.
    if (!written && diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) {
      AbortOnWriteError(ctx, run, false);
      LogDriveLost(ctx);
      return WritePassEnd::DriveLost;
    }
    if (!written && !HandleWriteError(ctx, run, sector, duration)) {
      AbortOnWriteError(ctx, run);
      return WritePassEnd::AbortedWriteError;
    }
    // N - 1 is written twice: a second write that went through holds its marker after all.
    if (written) std::erase(run.UnwrittenMarkers, sector);
    run.RemainingBytes -= step;
    run.OffsetFromEnd += static_cast<std::int64_t>(step) / kSectorBytes;
    const int percent = PercentDone(run.RemainingBytes, run.TotalBytes);
    const bool logLine = percent > run.LastPercent + 4 || percent > 99;
    ShowPassProgress(ctx, run, true, ++markers, logLine);
    if (percent > run.LastPercent) ctx.win.DoEvents();
    if (logLine) {
      core::LogText(ctx, ProgressLine(percent, text::kWriteSeparator, ctx.os.Now() - run.PassStart,
                                     run.RemainingBytes, run.TotalBytes));
      run.LastPercent = percent;
    }
  }

  run.OffsetFromEnd = 0;
  WriteEdgeMarker(ctx, run, 0);
  return WritePassEnd::Completed;
}

}  // namespace sw::quicktest::detail
