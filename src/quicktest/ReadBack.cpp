// Reading the markers back, recording every block with the wrong number, looking for wrapped
// addresses, releasing the drive.
#include <algorithm>
#include <string>

#include "core/Log.h"
#include "quicktest/CacheFlood.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/SectorIO.h"
#include "diskio/Volumes.h"
#include "quicktest/MarkerBlock.h"
#include "quicktest/PassProgress.h"
#include "quicktest/ProgressLine.h"
#include "quicktest/QuickTestRun.h"
#include "quicktest/QuickTestTexts.h"
#include "quicktest/ReportLine.h"

namespace sw::quicktest::detail {

namespace {

constexpr std::uint32_t kSettleMs = 500;

std::int64_t MarkerInBuffer(core::Context& ctx) {
  return GetMarkerNumber(ctx.state.SectorBuffer.span());
}

// After a failed read the buffer still holds the block read before, which normally carries
// another number. When it happens to carry this sector's own number, the failed read must
// not pass as a good block; nor may a marker this run could not write, which reads back the
// same marker when an earlier run left it there.
void Judge(core::Context& ctx, QuickTestRun& run, std::int64_t sector, bool readOk,
           std::int64_t found) {
  RecordMarkerCell(ctx, sector, readOk, found);
  const bool unwritten = std::find(run.UnwrittenMarkers.begin(), run.UnwrittenMarkers.end(), sector) !=
                         run.UnwrittenMarkers.end();
  if (found != sector || !readOk || unwritten) RecordMismatch(run, sector, found);
  if (readOk && found >= 0 && found != sector) run.MisplacedNumbers.insert(found);
  if (readOk && found == sector && !unwritten) run.ReadRight.insert(sector);
}

// One of the two single reads after the pass (N - 1 and 0).
void FinalCheck(core::Context& ctx, QuickTestRun& run, std::int64_t sector) {
  const bool ok = diskio::ReadSectors(ctx, sector, 1);
  if (!ok) core::LogText(ctx, Line(text::kFinalReadError + std::to_string(sector)));
  Judge(ctx, run, sector, ok, MarkerInBuffer(ctx));
}

// Markers lie 25 MiB x 2^k apart, while the real memory of a counterfeit that wraps its
// addresses is a power of two; its wrapped markers seldom land on one another, so the read-back
// alone would pass it. Sector 0 holds marker 0, written last, and on such a drive every multiple
// of the real size is sector 0 again: marker 0 read at a power-of-two sector means the addresses
// wrap there, and that is where the real memory ends. Anything else read there proves nothing
// (those sectors hold no marker), so only that finding counts, and only as the whole block this
// program writes, so that old data on a genuine drive cannot pass for it.
bool HoldsMarkerZero(core::Context& ctx) {
  const auto block = ctx.state.SectorBuffer.span().first(static_cast<std::size_t>(kSectorBytes));
  return GetMarkerNumber(block) == 0 &&
         std::all_of(block.begin() + 8, block.end(), [](std::uint8_t b) { return b == 0xFF; });
}

// The device's last sector past the whole cylinders, read once everything else was written (the
// flood too, which writes its neighbours after it). The report's lines stay those of
// the cylinders: the sector counts only when every marker there read back right, and then it
// fails the drive as the one bad sector found.
void CheckDeviceEnd(core::Context& ctx, QuickTestRun& run) {
  const std::int64_t sector = run.DeviceLastSector;
  if (sector < 0) return;
  const bool ok = diskio::ReadSectors(ctx, sector, 1);
  if (!ok) core::LogText(ctx, Line(text::kFinalReadError + std::to_string(sector)));
  const std::int64_t found = MarkerInBuffer(ctx);
  RecordMarkerCell(ctx, sector, ok, found);
  const bool unwritten = std::find(run.UnwrittenMarkers.begin(), run.UnwrittenMarkers.end(), sector) !=
                         run.UnwrittenMarkers.end();
  if ((found != sector || !ok || unwritten) && run.MismatchCount == 0) RecordMismatch(run, sector, found);
}

void ProbeAddressWrap(core::Context& ctx, QuickTestRun& run) {
  constexpr std::int64_t kSmallestRealMemory = 2048;  // 1 MiB
  for (std::int64_t sector = kSmallestRealMemory; sector < run.TotalSectors; sector *= 2) {
    if (diskio::ReadSectors(ctx, sector, 1) && HoldsMarkerZero(ctx)) {
      RecordMismatch(run, sector, 0);
      run.WrapFound = true;
      RecordMarkerCell(ctx, sector, true, 0);
    }
  }
}

}  // namespace

// Every marker is read and judged however many were bad: a pass that stopped after the first
// few thousand bad blocks from the top of a huge fake would put the lowest bad sector, and the
// recommended size, far above the real memory.
void ReadBackMarkers(core::Context& ctx, QuickTestRun& run) {
  core::LogText(ctx, Line(text::kReadingBack));
  run.RemainingBytes = run.TotalBytes;
  run.OffsetFromEnd = 0;
  run.PassStart = ctx.os.Now();
  run.LastPercent = 0;
  run.SectorsChecked = 0;

  while (run.RemainingBytes > 0) {
    // A whole interval, except on a drive smaller than one, which would otherwise read back
    // "more than 100 %".
    const double step = std::min(run.IntervalBytes, run.RemainingBytes);
    const std::int64_t sector = run.TotalSectors - run.OffsetFromEnd - 1;
    if (ctx.state.DebugMode) core::LogText(ctx, Line(text::kReadFromSector + std::to_string(sector)));
    // A controller may answer the first read from its cache; the second is the one judged.
    bool ok = diskio::ReadSectors(ctx, sector, 1);
    if (ok) ok = diskio::ReadSectors(ctx, sector, 1);
    if (!ok) {
      core::LogText(ctx, Line(text::kReadError + std::to_string(run.disk) + text::kReadErrorAt +
                             std::to_string(sector)));
    }
    Judge(ctx, run, sector, ok, MarkerInBuffer(ctx));
    run.RemainingBytes -= step;
    run.OffsetFromEnd += static_cast<std::int64_t>(step) / kSectorBytes;
    const int percent = PercentDone(run.RemainingBytes, run.TotalBytes);
    const bool logLine = percent > run.LastPercent + 4 || percent > 99;
    ShowPassProgress(ctx, run, false, static_cast<std::uint64_t>(run.SectorsChecked) + 1, logLine);
    if (logLine) {
      core::LogText(ctx, ProgressLine(percent, text::kReadSeparator, ctx.os.Now() - run.PassStart,
                                     run.RemainingBytes, run.TotalBytes));
      ctx.win.DoEvents();
      run.LastPercent = percent;
    }
    if (run.RemainingBytes < run.IntervalBytes) run.RemainingBytes = 0;
    ++run.SectorsChecked;
  }

  FinalCheck(ctx, run, run.TotalSectors - 1);
  FinalCheck(ctx, run, 0);
  ProbeAddressWrap(ctx, run);
  if (run.withCacheCheck) DefeatWriteCache(ctx, run);
  CheckDeviceEnd(ctx, run);

  ctx.os.Sleep(kSettleMs);
  diskio::Lock_Unlock_All_Volumes(ctx, run.disk, text::kUnlock);
  ctx.win.DoEvents();
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
}

}  // namespace sw::quicktest::detail
