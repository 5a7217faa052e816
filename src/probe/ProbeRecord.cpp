// The Exact Probe's record: what the report says, as numbers.
#include "probe/ProbeRecord.h"

#include <string>

#include "drives/DriveRecord.h"
#include "probe/ProbeReport.h"
#include "probe/ProbeTexts.h"

namespace sw::probe {

namespace {

constexpr const char* kCommand = "probe";

core::FakeKind KindName(FakeKind kind) {
  switch (kind) {
    case FakeKind::Genuine:
      return core::FakeKind::Genuine;
    case FakeKind::Limbo:
      return core::FakeKind::Limbo;
    case FakeKind::Wraparound:
      return core::FakeKind::Wraparound;
    case FakeKind::Chain:
      return core::FakeKind::Chain;
    case FakeKind::IoErrors:
      return core::FakeKind::IoErrors;
    case FakeKind::NoMemory:
      break;
  }
  return core::FakeKind::NoMemory;
}

core::Verdict VerdictOf(const ProbeFindings& f) {
  switch (f.end) {
    case ProbeEnd::Completed:
      return IsGenuine(f) ? core::Verdict::Passed : core::Verdict::Failed;
    case ProbeEnd::Failed:
      return core::Verdict::Failed;
    case ProbeEnd::Unfinished:
      return ProvenFake(f) ? core::Verdict::Failed : core::Verdict::Aborted;
    case ProbeEnd::Cancelled:
      return core::Verdict::Cancelled;
    case ProbeEnd::DriveLost:
    case ProbeEnd::NoJournal:
      break;
  }
  return core::Verdict::Aborted;
}

void RecordSizes(core::RunRecord& r, const ProbeFindings& f) {
  r.fakeKind = KindName(f.kind);
  r.realBytes = f.usableBytes;
  r.recommendedBytes = RecommendedBytes(f);
  r.writeCacheBytes = static_cast<std::uint64_t>(f.cacheSectors) * kSectorBytes;
  if (f.lastGoodSector >= 0) r.lastGoodSector = static_cast<std::uint64_t>(f.lastGoodSector);
  // Everything past the last good sector is bad, up to the drive's end.
  const auto firstBad = static_cast<std::uint64_t>(f.lastGoodSector + 1);
  if (firstBad < r.totalSectors) r.badRanges.push_back({firstBad, r.totalSectors - 1});
}

}  // namespace

void StartProbeRecord(core::Context& ctx) {
  ctx.state.LastRun = {};
  ctx.state.LastRun.command = kCommand;
  ctx.state.LastRun.drive = drives::DescribeDrive(ctx);
}

void RecordProbeResult(core::Context& ctx, const std::optional<ProbeFindings>& findings,
                       double elapsedSeconds) {
  core::RunRecord& r = ctx.state.LastRun;
  r.elapsedSeconds = elapsedSeconds;
  if (!findings) {
    r.verdict = core::Verdict::Refused;
    return;
  }
  const ProbeFindings& f = *findings;
  r.verdict = VerdictOf(f);
  r.totalSectors = static_cast<std::uint64_t>(f.totalSectors);
  if (f.end == ProbeEnd::Completed) RecordSizes(r, f);
  if (f.sectorsWritten > 0) r.transfers.writeLatencySeconds = f.writeLatencySeconds;
  if (f.sectorsRead > 0) r.transfers.readLatencySeconds = f.readLatencySeconds;
  namespace code = core::error_code;
  if (f.end == ProbeEnd::Cancelled) r.errors.push_back({code::kCancelled, text::kAborted});
  if (f.end == ProbeEnd::DriveLost) r.errors.push_back({code::kDriveLost, text::kAborted});
  if (f.end == ProbeEnd::Failed) r.errors.push_back({code::kUnreadable, text::kUnreadable});
  if (f.end == ProbeEnd::Unfinished) r.errors.push_back({code::kProbeLimit, text::kUnfinishedError});
  if (f.end == ProbeEnd::NoJournal) r.errors.push_back({code::kNoJournal, text::kNoJournal + ctx.os.StateFolder()});
  if (!f.unrestoredSectors.empty()) {
    r.errors.push_back({code::kNotRestored, std::to_string(f.unrestoredSectors.size()) + text::kUnrestoredError});
  }
}

}  // namespace sw::probe
