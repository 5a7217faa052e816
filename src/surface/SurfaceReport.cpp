// The report lines and verdict box of the Full Surface Test.
#include "surface/SurfaceReport.h"

#include <algorithm>
#include <string>

#include "core/Log.h"
#include "diskio/PinnedDrive.h"
#include "drives/TextFormat.h"
#include "platform/WinApi.h"
#include "surface/SurfaceFormat.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface {

namespace {

using core::kCrLf;
using detail::Bytes;
using detail::MiB;
using detail::SizeOfSectors;

std::string Line(const std::string& text) { return kCrLf + text; }

std::string RecommendedLine(const SurfaceFindings& f) {
  return text::kRecommended + MiB(RecommendedBytes(f)) + text::kRecommendedUnit + std::to_string(f.lastGoodSector) +
         text::kRecommendedEnd;
}

std::string GoodRanges(const SurfaceFindings& f) {
  if (f.goodRanges.empty()) return text::kGoodNone;
  std::string ranges;
  const std::size_t listed = std::min(f.goodRanges.size(), text::kListedRangesMax);
  for (std::size_t i = 0; i < listed; ++i) {
    const core::SectorRange& r = f.goodRanges[i];
    ranges += (i == 0 ? "" : text::kRangeSeparator) + std::to_string(r.first) + text::kRangeTo + std::to_string(r.last);
  }
  if (listed < f.goodRanges.size()) {
    ranges += text::kMoreRanges + std::to_string(f.goodRanges.size() - listed) + text::kMoreRangesEnd;
  }
  return ranges;
}

std::string Speed(double megabytesPerSecond) {
  return drives::FormatDecimals(megabytesPerSecond, text::kSizePattern);
}

void LogWriting(core::Context& ctx, const SurfaceFindings& f) {
  if (f.alarm && f.wroteOn) {
    core::LogText(ctx, Line(text::kWroteOn + SizeOfSectors(f.alarm->writtenSectors) + text::kWroteOnEnd));
  } else if (f.alarm && f.writtenSectors < f.totalSectors) {
    core::LogText(ctx, Line(text::kStopped + SizeOfSectors(f.writtenSectors) + text::kStoppedEnd));
  }
}

void LogCounts(core::Context& ctx, const SurfaceFindings& f) {
  const auto announced = static_cast<std::uint64_t>(f.totalSectors) * 512;
  core::LogText(ctx, Line(text::kAnnounced + Bytes(announced) + text::kBytes + std::to_string(f.totalSectors) +
                          text::kSectorsEnd));
  core::LogText(ctx, Line(text::kChecked + std::to_string(f.readSectors) + text::kCheckedOf +
                          std::to_string(f.totalSectors)));
  core::LogText(ctx, Line(text::kKept + std::to_string(f.kept)));
  core::LogText(ctx, Line(text::kLost + std::to_string(f.lost)));
  std::string overwritten = text::kOverwritten + std::to_string(f.overwritten);
  if (f.overwriteExample >= 0) {
    overwritten += text::kOverwrittenExample + std::to_string(f.overwriteExample) + text::kOverwrittenHolds +
                   std::to_string(f.overwriteExampleFrom) + text::kOverwrittenEnd;
  }
  core::LogText(ctx, Line(overwritten));
  core::LogText(ctx, Line(text::kChanged + std::to_string(f.changed)));
  core::LogText(ctx, Line(text::kUnreadable + std::to_string(f.unreadable)));
  if (f.failedWriteRequests > 0) {
    core::LogText(ctx, Line(text::kFailedWrites + std::to_string(f.failedWriteRequests) + text::kFailedWritesFrom +
                            std::to_string(f.firstFailedWrite) + text::kFailedWritesEnd));
  }
  if (f.failedFlushes > 0) {
    core::LogText(ctx, Line(text::kFailedFlushes + std::to_string(f.failedFlushes) + text::kFailedFlushesFrom +
                            std::to_string(f.firstFailedFlush) + text::kFailedFlushesEnd));
  }
}

void LogEnd(core::Context& ctx, const SurfaceFindings& f) {
  core::LogText(ctx, Line(text::kGoodRanges + GoodRanges(f)));
  core::LogText(ctx, Line(text::kLastGood +
                          (f.lastGoodSector < 0 ? std::string(text::kNoGoodSector) : std::to_string(f.lastGoodSector))));
  const auto real = static_cast<std::uint64_t>(f.lastGoodSector + 1) * 512;
  core::LogText(ctx, Line(text::kRealSize + Bytes(real) + text::kBytes + MiB(real) + text::kMiBEnd));
}

void LogSpeeds(core::Context& ctx, const SurfaceFindings& f) {
  if (f.writeMs == 0) return;  // a drive too quick to time
  if (f.collapseRegion >= 0) {
    const std::int64_t at = CollapseSector(f);
    core::LogText(ctx, Line(text::kCollapse + MiB(static_cast<std::uint64_t>(at) * 512) + text::kMiB +
                            text::kCollapseFrom + Speed(f.collapseMedianMBps) + text::kCollapseTo +
                            Speed(f.collapseMBps) + text::kCollapseEnd));
  } else {
    core::LogText(ctx, Line(text::kNoCollapse));
  }
  core::LogText(ctx, Line(text::kSpeeds + detail::MBps(f.bytesWritten, f.writeMs) + text::kSpeedsRead +
                          detail::MBps(f.bytesRead, f.readMs) + text::kSpeedsEnd));
}

void LogVerdict(core::Context& ctx, const SurfaceFindings& f) {
  if (Passed(f)) {
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kPassed + kCrLf + kCrLf + text::kPassedNote,
                    win::MB_ICONINFORMATION);
    return;
  }
  std::string prompt = std::string(kCrLf) + text::kFailed + kCrLf + kCrLf + text::kCounterfeit;
  if (f.lastGoodSector >= 0) prompt += kCrLf + std::string(kCrLf) + RecommendedLine(f) + kCrLf;
  core::LogMsgBox(ctx, prompt, win::MB_ICONCRITICAL);
}

}  // namespace

void ReportFindings(core::Context& ctx, const SurfaceFindings& f, double elapsedSeconds) {
  core::LogText(ctx, kCrLf);
  if (f.end == SurfaceEnd::DriveLost) core::LogText(ctx, Line(diskio::IdentityLostLine(ctx.state.IdentityLost)));
  if (f.writtenSectors > 0) {
    LogWriting(ctx, f);
    LogCounts(ctx, f);
    LogEnd(ctx, f);
    LogSpeeds(ctx, f);
    core::LogText(ctx, Line(text::kReformat));
  }
  if (f.end == SurfaceEnd::Unfinished) {
    core::LogText(ctx, Line(text::kUnfinished + std::to_string(f.writtenSectors - 1) + text::kUnfinishedEnd));
  }
  const bool decided = Passed(f) || ProvenBad(f);
  if (!decided) core::LogText(ctx, Line(text::kAborted));
  if (Passed(f)) core::LogText(ctx, Line(RecommendedLine(f)));
  core::LogText(ctx, Line(text::kTestTook + std::to_string(static_cast<long long>(elapsedSeconds)) + text::kTestTookUnit));
  ctx.win.DoEvents();
  if (decided) LogVerdict(ctx, f);
}

}  // namespace sw::surface
