// The Full Surface Test's record: what the report says, as numbers.
#include "surface/SurfaceRecord.h"

#include <string>

#include "drives/DriveRecord.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface {

namespace {

constexpr const char* kCommand = "full";

core::Verdict VerdictOf(const SurfaceFindings& f) {
  if (Passed(f)) return core::Verdict::Passed;
  if (ProvenBad(f)) return core::Verdict::Failed;
  return f.end == SurfaceEnd::Cancelled ? core::Verdict::Cancelled : core::Verdict::Aborted;
}

// What was read back and did not keep its block, run by run.
std::vector<core::SectorRange> BadRanges(const SurfaceFindings& f) {
  std::vector<core::SectorRange> bad;
  std::uint64_t next = 0;
  const auto read = static_cast<std::uint64_t>(f.readSectors);
  for (const core::SectorRange& good : f.goodRanges) {
    if (good.first > next) bad.push_back({next, good.first - 1});
    next = good.last + 1;
  }
  if (next < read) bad.push_back({next, read - 1});
  return bad;
}

}  // namespace

void StartSurfaceRecord(core::Context& ctx) {
  ctx.state.LastRun = {};
  ctx.state.LastRun.command = kCommand;
  ctx.state.LastRun.drive = drives::DescribeDrive(ctx);
}

void RecordSurfaceResult(core::Context& ctx, const std::optional<SurfaceFindings>& findings, double elapsedSeconds) {
  core::RunRecord& r = ctx.state.LastRun;
  r.elapsedSeconds = elapsedSeconds;
  if (!findings) {
    r.verdict = core::Verdict::Refused;
    return;
  }
  const SurfaceFindings& f = *findings;
  r.verdict = VerdictOf(f);
  r.totalSectors = static_cast<std::uint64_t>(f.totalSectors);
  r.fakeKind = Passed(f) ? core::FakeKind::Genuine : ProvenBad(f) ? core::FakeKind::Fake : core::FakeKind::Unknown;
  if (f.readSectors > 0) {
    r.realBytes = static_cast<std::uint64_t>(f.lastGoodSector + 1) * 512;
    r.recommendedBytes = RecommendedBytes(f);
    if (f.lastGoodSector >= 0) r.lastGoodSector = static_cast<std::uint64_t>(f.lastGoodSector);
    r.badRanges = BadRanges(f);
    r.intervalSectors = f.cellInterval;
    r.cells = f.cells;
  }
  namespace code = core::error_code;
  if (f.end == SurfaceEnd::Cancelled) r.errors.push_back({code::kCancelled, text::kAbortedError});
  if (f.end == SurfaceEnd::DriveLost) r.errors.push_back({code::kDriveLost, text::kAbortedError});
  if (f.end == SurfaceEnd::Unfinished) r.errors.push_back({code::kStoppedEarly, text::kUnfinishedError});
  if (f.failedWriteRequests > 0) {
    r.errors.push_back({code::kFailedWrites, std::to_string(f.failedWriteRequests) + " write requests failed"});
  }
  if (f.failedFlushes > 0) {
    r.errors.push_back({code::kFailedWrites, std::to_string(f.failedFlushes) + " flushes failed"});
  }
}

}  // namespace sw::surface
