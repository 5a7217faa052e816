// The engine's entry: the drive checks, the interval table, and the passes in order.
#include "quicktest/QuickSizeTest.h"

#include <algorithm>
#include <cmath>

#include "core/Log.h"
#include "diskio/ClaimedDrive.h"
#include "diskio/PinnedDrive.h"
#include "drives/DriveChecks.h"
#include "quicktest/QuickTestRun.h"
#include "quicktest/QuickTestTexts.h"
#include "quicktest/ReportLine.h"

namespace sw::quicktest {

namespace {

// (SizeGB bound, interval in sectors): the first row whose bound SizeGB does not exceed.
struct IntervalRow {
  double maxSizeGB;
  std::int64_t sectors;
};
constexpr IntervalRow kIntervals[] = {
    {14, 51200}, {29, 102400}, {59, 204800}, {125, 409600}, {249, 819200},
};
constexpr std::int64_t kLargestInterval = 1638400;

}  // namespace

std::int64_t ChooseIntervalSectors(double driveSizeBytes) {
  const double sizeGB = std::floor(driveSizeBytes / 1000 / 1000 / 1000) + 1;
  for (const IntervalRow& row : kIntervals) {
    if (sizeGB <= row.maxSizeGB) return row.sectors;
  }
  return kLargestInterval;
}

QuickTestResult QuickSizeTest(core::Context& ctx, bool withCacheCheck) {
  QuickTestResult result;
  const std::int32_t disk = ctx.state.DiskNumber;
  // Checked here as well as in the command: this routine destroys whatever the drive holds.
  if (drives::CheckDisk(ctx, disk) != drives::DiskCheck::Testable) return result;
  const auto totalSectors = static_cast<std::int64_t>(std::floor(ctx.state.DriveSizeBytes / kSectorBytes));
  if (totalSectors < 1) return result;

  detail::QuickTestRun run;
  run.disk = disk;
  run.withCacheCheck = withCacheCheck;
  run.TotalSectors = totalSectors;
  run.IntervalSectors = ChooseIntervalSectors(ctx.state.DriveSizeBytes);
  run.IntervalBytes = static_cast<double>(run.IntervalSectors * kSectorBytes);
  run.TotalBytes = static_cast<double>(totalSectors * kSectorBytes);
  run.RemainingBytes = run.TotalBytes;
  run.OffsetFromEnd = 0;
  result.TotalSectors = run.TotalSectors;
  result.IntervalSectors = run.IntervalSectors;

  ctx.win.DoEvents();
  ctx.win.DoEvents();
  // The drive may have been unplugged or swapped while the questions were open.
  if (diskio::VerifyPinnedDrive(ctx) != core::IdentityCheck::Same) {
    detail::LogDriveLost(ctx);
    result.end = TestEnd::AbortedDriveLost;
    return result;
  }

  {
    diskio::ClaimedDrive drive(ctx, disk);
    const bool claimed = drive.Claim();
    const bool prepared = claimed && detail::PrepareDrive(ctx, run);
    if (ctx.state.IdentityLost != core::IdentityCheck::Same) {
      detail::LogDriveLost(ctx);
      result.end = TestEnd::AbortedDriveLost;
      return result;  // the claim unlocks the volumes and closes the drive
    }
    if (!claimed) return result;  // refused before the first write: NotStarted
    if (!prepared) {
      core::LogText(ctx, detail::Line(text::kAbortedOnWriteError));
      result.end = TestEnd::AbortedWriteError;
      result.writeFailures = run.WriteFailures;
      return result;  // the claim unlocks the volumes
    }
    const detail::WritePassEnd written = detail::WriteMarkers(ctx, run);
    if (written != detail::WritePassEnd::Completed) {
      drive.Disarm();
      result.writeFailures = run.WriteFailures;
      result.end = written == detail::WritePassEnd::Cancelled       ? TestEnd::Cancelled
                   : written == detail::WritePassEnd::DriveLost      ? TestEnd::AbortedDriveLost
                                                                     : TestEnd::AbortedWriteError;
      return result;
    }
    detail::ReadBackMarkers(ctx, run);
    drive.Disarm();
  }
  detail::ReportVerdict(ctx, run, result);
  return result;
}

namespace detail {

void LogDriveLost(core::Context& ctx) {
  core::LogText(ctx, core::kCrLf + diskio::IdentityLostLine(ctx.state.IdentityLost));
}

void RecordMismatch(QuickTestRun& run, std::int64_t sector, std::int64_t foundNumber) {
  if (run.MismatchCount == 0) {
    // Past every sector a marker can be at, the device's last one included.
    const std::int64_t past = std::max(run.TotalSectors, run.DeviceLastSector + 1) + 1;
    run.MinBadSector = past;
    run.MaxBadSector = 0;
    run.MinFoundNumber = past;
  }
  ++run.MismatchCount;
  run.MinBadSector = std::min(run.MinBadSector, sector);
  run.MaxBadSector = std::max(run.MaxBadSector, sector);
  run.MinFoundNumber = std::min(run.MinFoundNumber, foundNumber);
}

}  // namespace detail

}  // namespace sw::quicktest
