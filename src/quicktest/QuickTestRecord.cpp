// The Quick Size Test's record: what the report says, as numbers.
#include "quicktest/QuickTestRecord.h"

#include <optional>
#include <string>
#include <vector>

#include "drives/DriveRecord.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest {

namespace {

constexpr const char* kCommand = "quick";

core::Verdict VerdictOf(TestEnd end) {
  switch (end) {
    case TestEnd::Passed:
      return core::Verdict::Passed;
    case TestEnd::Failed:
    case TestEnd::WriteFailed:
      return core::Verdict::Failed;
    case TestEnd::Cancelled:
      return core::Verdict::Cancelled;
    case TestEnd::AbortedWriteError:
    case TestEnd::AbortedDriveLost:
      return core::Verdict::Aborted;
    case TestEnd::NotStarted:
      break;
  }
  return core::Verdict::Refused;
}

std::optional<std::uint64_t> LastGoodMarkerBelow(const std::vector<core::CheckedCell>& cells,
                                                 std::uint64_t firstLost) {
  std::optional<std::uint64_t> last;
  for (const core::CheckedCell& c : cells) {
    if (c.state == core::CellState::Good && c.sector < firstLost && (!last || c.sector > *last)) last = c.sector;
  }
  return last;
}

}  // namespace

void StartQuickRecord(core::Context& ctx) {
  ctx.state.LastRun = {};
  ctx.state.LastRun.command = kCommand;
  ctx.state.LastRun.drive = drives::DescribeDrive(ctx);
}

void RecordQuickResult(core::Context& ctx, const QuickTestResult& result, double elapsedSeconds) {
  core::RunRecord& r = ctx.state.LastRun;
  r.verdict = VerdictOf(result.end);
  r.elapsedSeconds = elapsedSeconds;
  r.totalSectors = static_cast<std::uint64_t>(result.TotalSectors);
  r.intervalSectors = static_cast<std::uint64_t>(result.IntervalSectors);
  const auto sectorBytes = static_cast<std::uint64_t>(kSectorBytes);
  if (result.end == TestEnd::Passed) {
    r.fakeKind = core::FakeKind::Genuine;
    r.realBytes = r.totalSectors * sectorBytes;
  } else if (result.end == TestEnd::Failed) {
    const auto minBad = static_cast<std::uint64_t>(result.MinBadSector);
    r.fakeKind = core::FakeKind::Fake;
    r.badRanges.push_back({minBad, static_cast<std::uint64_t>(result.MaxBadSector)});
    // The markers bracket the real end: the last one read back good below the first one lost.
    // Only what the good one proves is counted as real memory.
    const std::optional<std::uint64_t> lastGood = LastGoodMarkerBelow(r.cells, minBad);
    r.lastGoodSector = lastGood;
    if (lastGood) r.realBytes = (*lastGood + 1) * sectorBytes;
    r.recommendedBytes = static_cast<std::uint64_t>(result.RecommendedMiB * kMiB);
  } else if (result.end == TestEnd::WriteFailed) {
    r.fakeKind = core::FakeKind::IoErrors;
  } else if (result.end == TestEnd::Cancelled) {
    r.errors.push_back({core::error_code::kCancelled, text::kAborted});
  } else if (result.end == TestEnd::AbortedWriteError) {
    r.errors.push_back({core::error_code::kWriteError, text::kAbortedOnWriteError});
  } else if (result.end == TestEnd::AbortedDriveLost) {
    r.errors.push_back({core::error_code::kDriveLost, text::kAborted});
  }
  for (const std::string& line : result.writeFailures) r.errors.push_back({core::error_code::kWriteFailed, line});
  const core::TransferFigures& t = r.transfers;
  if (t.writeErrors > 0) {
    r.errors.push_back({core::error_code::kFailedWrites, std::to_string(t.writeErrors) + text::kSectorWritesFailed});
  }
  if (t.readErrors > 0) {
    r.errors.push_back({core::error_code::kFailedReads, std::to_string(t.readErrors) + text::kSectorReadsFailed});
  }
}

}  // namespace sw::quicktest
