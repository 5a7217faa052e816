// The report lines and boxes of the Exact Probe.
#include "probe/ProbeReport.h"

#include <algorithm>
#include <string>

#include "core/Log.h"
#include "diskio/PinnedDrive.h"
#include "drives/TextFormat.h"
#include "platform/WinApi.h"
#include "probe/ProbeTexts.h"

namespace sw::probe {

namespace {

using core::kCrLf;

std::string Line(const std::string& text) { return kCrLf + text; }

std::string Bytes(std::uint64_t bytes) {
  return drives::FormatDecimals(static_cast<double>(bytes), text::kBytesPattern);
}

std::string MiB(std::uint64_t bytes) {
  return drives::FormatDecimals(static_cast<double>(bytes) / static_cast<double>(kMiBBytes),
                                text::kSizePattern);
}

std::string Milliseconds(double seconds) {
  return drives::FormatDecimals(seconds * 1000, text::kSizePattern);
}

const char* KindWords(FakeKind kind) {
  switch (kind) {
    case FakeKind::Genuine:
      return text::kKindGenuine;
    case FakeKind::Limbo:
      return text::kKindLimbo;
    case FakeKind::Wraparound:
      return text::kKindWraparound;
    case FakeKind::Chain:
      return text::kKindChain;
    case FakeKind::IoErrors:
      return text::kKindIoErrors;
    case FakeKind::NoMemory:
      break;
  }
  return text::kKindNoMemory;
}

std::string RecommendedLine(const ProbeFindings& f) {
  return text::kRecommended + MiB(RecommendedBytes(f)) + text::kRecommendedUnit +
         std::to_string(f.lastGoodSector) + text::kRecommendedEnd;
}

void LogSizes(core::Context& ctx, const ProbeFindings& f) {
  const auto announced = static_cast<std::uint64_t>(f.totalSectors) * kSectorBytes;
  core::LogText(ctx, Line(text::kKind + std::string(KindWords(f.kind))));
  core::LogText(ctx, Line(text::kAnnounced + Bytes(announced) + text::kBytes +
                          std::to_string(f.totalSectors) + text::kSectorsEnd));
  if (f.driveSectorBytes != kSectorBytes) {
    core::LogText(ctx, Line(text::kOwnSectors + Bytes(f.driveSectorBytes) + text::kOwnSectorsEnd));
  }
  core::LogText(ctx, Line(text::kLastGood + (f.lastGoodSector < 0 ? std::string(text::kNoGoodSector)
                                                                   : std::to_string(f.lastGoodSector))));
  core::LogText(ctx, Line(text::kUsable + Bytes(f.usableBytes) + text::kBytes + MiB(f.usableBytes) +
                          text::kMiBEnd));
  if (f.kind == FakeKind::Wraparound || f.kind == FakeKind::Chain) {
    const auto wrapBytes = static_cast<std::uint64_t>(f.wrapSectors) * kSectorBytes;
    core::LogText(ctx, Line(text::kWrap + Bytes(wrapBytes) + text::kBytes +
                            std::to_string(f.wrapSectors) + text::kSectorsEnd));
  }
  if (f.errorFromSector >= 0) {
    core::LogText(ctx, Line(text::kErrorsFrom + std::to_string(f.errorFromSector)));
  }
}

void LogFigures(core::Context& ctx, const ProbeFindings& f) {
  if (f.cacheSectors > 0) {
    const auto cacheBytes = static_cast<std::uint64_t>(f.cacheSectors) * kSectorBytes;
    core::LogText(ctx, Line(text::kCacheFound + std::to_string(f.cacheSectors) + text::kCacheSectors +
                            Bytes(cacheBytes) + text::kCacheEnd));
  } else {
    core::LogText(ctx, Line(text::kNoCache));
  }
  core::LogText(ctx, Line(text::kSectorsWritten + std::to_string(f.sectorsWritten) + text::kSectorsRead +
                          std::to_string(f.sectorsRead)));
  core::LogText(ctx, Line(text::kLatency + Milliseconds(f.writeLatencySeconds) + text::kLatencyRead +
                          Milliseconds(f.readLatencySeconds) + text::kLatencyEnd));
  // A probe writes a small part of the drive: what it found nothing wrong with, it says exactly
  // how far that goes.
  if (f.kind == FakeKind::Genuine) {
    core::LogText(ctx, Line(text::kNotRuledOut + Bytes(static_cast<std::uint64_t>(f.keptThroughSectors) * kSectorBytes) +
                            text::kNotRuledOutFollow + Bytes(f.sectorsWritten * kSectorBytes) +
                            text::kNotRuledOutEnd));
    core::LogText(ctx, Line(text::kFullSurfaceNamed));
  }
}

void LogRestore(core::Context& ctx, const ProbeFindings& f, const ProbeOptions& options) {
  if (f.sectorsWritten == 0 && f.unrestoredSectors.empty()) return;  // nothing was changed
  if (options.destructive) {
    core::LogText(ctx, Line(text::kNotRestored));
    core::LogText(ctx, Line(text::kReformat));
    return;
  }
  if (f.unrestoredSectors.empty()) {
    core::LogText(ctx, Line(text::kRestored));
    return;
  }
  std::string sectors;
  const std::size_t listed = std::min(f.unrestoredSectors.size(), text::kListedSectorsMax);
  for (std::size_t i = 0; i < listed; ++i) {
    sectors += (i == 0 ? "" : text::kSectorSeparator) + std::to_string(f.unrestoredSectors[i]);
  }
  if (listed < f.unrestoredSectors.size()) {
    sectors += text::kMoreSectors + std::to_string(f.unrestoredSectors.size() - listed) +
               text::kMoreSectorsEnd;
  }
  core::LogText(ctx, Line(text::kRestoreFailed + std::to_string(f.unrestoredSectors.size()) +
                          text::kRestoreFailedSectors + sectors));
}

void LogUnfinished(core::Context& ctx, const ProbeFindings& f) {
  if (f.limit == Limit::WriteBound) {
    core::LogText(ctx, Line(text::kUnfinishedBound + std::to_string(ProbeWriteBoundSectors(f.totalSectors)) +
                            text::kUnfinishedBoundEnd));
  } else if (f.limit == Limit::RefusedFlood) {
    core::LogText(ctx, Line(text::kUnfinishedFlood));
  } else {
    core::LogText(ctx, Line(text::kUnfinishedRounds));
  }
  if (f.provenGoodSector >= 0) {
    core::LogText(ctx, Line(text::kProvenGood + std::to_string(f.provenGoodSector) + text::kProvenGoodEnd));
  }
  if (ProvenFake(f)) {
    core::LogText(ctx, Line(text::kProvenBad + std::to_string(f.provenBadSector) + text::kProvenBadEnd));
  }
}

void LogVerdict(core::Context& ctx, const ProbeFindings& f) {
  if (IsGenuine(f)) {
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kPassed + kCrLf + kCrLf + text::kPassedNote,
                    win::MB_ICONINFORMATION);
    return;
  }
  std::string prompt = std::string(kCrLf) + text::kFailed + kCrLf + kCrLf + text::kCounterfeit;
  if (f.end == ProbeEnd::Completed && f.lastGoodSector >= 0) {
    prompt += kCrLf + std::string(kCrLf) + RecommendedLine(f) + kCrLf;
  }
  core::LogMsgBox(ctx, prompt, win::MB_ICONCRITICAL);
}

}  // namespace

bool ProvenFake(const ProbeFindings& findings) {
  return findings.end == ProbeEnd::Unfinished && findings.provenBadSector >= 0 &&
         findings.provenBadSector < findings.totalSectors;
}

bool IsGenuine(const ProbeFindings& findings) {
  return findings.end == ProbeEnd::Completed && findings.kind == FakeKind::Genuine &&
         findings.unrestoredSectors.empty();
}

std::uint64_t RecommendedBytes(const ProbeFindings& findings) {
  const std::uint64_t wholeMiB = findings.usableBytes / kMiBBytes;
  return wholeMiB > 1 ? (wholeMiB - 1) * kMiBBytes : 0;
}

void ReportFindings(core::Context& ctx, const ProbeFindings& findings, const ProbeOptions& options,
                    double elapsedSeconds) {
  core::LogText(ctx, kCrLf);
  switch (findings.end) {
    case ProbeEnd::Completed:
      LogSizes(ctx, findings);
      LogFigures(ctx, findings);
      break;
    case ProbeEnd::Failed:
      core::LogText(ctx, Line(text::kUnreadable));
      break;
    case ProbeEnd::DriveLost:
      core::LogText(ctx, Line(diskio::IdentityLostLine(ctx.state.IdentityLost)));
      break;
    case ProbeEnd::NoJournal:
      core::LogText(ctx, Line(text::kNoJournal + ctx.os.StateFolder() + text::kNoJournalEnd));
      break;
    case ProbeEnd::Unfinished:
      LogUnfinished(ctx, findings);
      break;
    case ProbeEnd::Cancelled:
      break;
  }
  LogRestore(ctx, findings, options);
  const bool aborted = findings.end == ProbeEnd::Cancelled || findings.end == ProbeEnd::DriveLost ||
                       findings.end == ProbeEnd::NoJournal ||
                       (findings.end == ProbeEnd::Unfinished && !ProvenFake(findings));
  if (aborted) {
    core::LogText(ctx, Line(text::kAborted));
  }
  // A fake's verdict box carries the recommendation; a genuine drive's says it here, once.
  if (IsGenuine(findings) && findings.lastGoodSector >= 0) {
    core::LogText(ctx, Line(RecommendedLine(findings)));
  }
  core::LogText(ctx, Line(text::kTestTook + std::to_string(static_cast<long long>(elapsedSeconds)) +
                          text::kTestTookUnit));
  ctx.win.DoEvents();
  if (findings.end == ProbeEnd::Completed || findings.end == ProbeEnd::Failed || ProvenFake(findings)) {
    LogVerdict(ctx, findings);
  }
}

}  // namespace sw::probe
