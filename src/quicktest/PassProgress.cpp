// Live progress of the passes and the checked locations of the run's record.
#include "quicktest/PassProgress.h"

#include <algorithm>

#include "core/Progress.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest::detail {

namespace {
// The read-back reads every marker twice (the first answer may come from a cache).
constexpr std::uint64_t kWrittenPerMarker = kSectorBytes;
constexpr std::uint64_t kReadPerMarker = 2 * kSectorBytes;
}  // namespace

void ShowPassProgress(core::Context& ctx, const QuickTestRun& run, bool writing,
                      std::uint64_t markers, bool reportLineFollows) {
  core::ProgressUpdate u;
  u.phase = writing ? text::kPhaseWriting : text::kPhaseReading;
  u.total = static_cast<std::uint64_t>(run.TotalBytes);
  u.done = static_cast<std::uint64_t>(std::max(0.0, run.TotalBytes - run.RemainingBytes));
  u.bytesMoved = markers * (writing ? kWrittenPerMarker : kReadPerMarker);
  u.reportLineFollows = reportLineFollows;
  core::ReportProgress(ctx, u, writing ? core::Direction::Write : core::Direction::Read);
}

void RecordMarkerCell(core::Context& ctx, std::int64_t sector, bool readOk, std::int64_t found) {
  std::vector<core::CheckedCell>& cells = ctx.state.LastRun.cells;
  const auto at = static_cast<std::uint64_t>(sector);
  core::CellState state = core::CellState::Good;
  if (!readOk) {
    state = core::CellState::ReadError;
  } else if (found == -1) {
    state = core::CellState::Lost;
  } else if (found != sector) {
    state = core::CellState::WrongNumber;
  }
  // Write errors are rare: the search runs only on a run that had one.
  const bool writeFailed = ctx.state.LastRun.transfers.writeErrors > 0 && std::any_of(cells.begin(), cells.end(), [at](const core::CheckedCell& c) {
    return c.sector == at && c.state == core::CellState::WriteError;
  });
  if (!writeFailed) cells.push_back({at, state});
}

void RecordWriteErrorCell(core::Context& ctx, std::int64_t sector) {
  ctx.state.LastRun.cells.push_back({static_cast<std::uint64_t>(sector), core::CellState::WriteError});
}

}  // namespace sw::quicktest::detail
