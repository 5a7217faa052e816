// Speeds and cell counts of a run.
#include "report/RunFigures.h"

#include <algorithm>

namespace sw::report {

Speed AverageSpeed(const core::RunRecord& run, core::Direction direction) {
  Speed s;
  for (const core::PhaseRecord& p : run.phases) {
    if (p.direction != direction) continue;
    s.bytes += p.bytes;
    s.seconds += p.seconds;
  }
  if (s.bytes > 0) return s;
  // A run whose phases write and read by turns timed its requests one by one instead.
  const core::TransferFigures& t = run.transfers;
  const bool writing = direction == core::Direction::Write;
  const std::optional<double>& latency = writing ? t.writeLatencySeconds : t.readLatencySeconds;
  const std::uint64_t requests = writing ? t.writeRequests : t.readRequests;
  if (!latency || requests == 0) return s;
  s.bytes = writing ? t.bytesWritten : t.bytesRead;
  s.seconds = *latency * static_cast<double>(requests);
  return s;
}

std::vector<core::CheckedCell> UniqueCells(std::vector<core::CheckedCell> cells) {
  // The states are declared from good to worst, so the larger one is the worse.
  std::sort(cells.begin(), cells.end(), [](const core::CheckedCell& a, const core::CheckedCell& b) {
    return a.sector != b.sector ? a.sector < b.sector : a.state > b.state;
  });
  cells.erase(std::unique(cells.begin(), cells.end(),
                          [](const core::CheckedCell& a, const core::CheckedCell& b) {
                            return a.sector == b.sector;
                          }),
              cells.end());
  return cells;
}

CellCounts CountCells(const std::vector<core::CheckedCell>& cells) {
  CellCounts c;
  for (const core::CheckedCell& cell : UniqueCells(cells)) {
    ++c.locations;
    switch (cell.state) {
      case core::CellState::Good:
        ++c.good;
        break;
      case core::CellState::Lost:
        ++c.lost;
        break;
      case core::CellState::WrongNumber:
        ++c.wrongNumber;
        break;
      case core::CellState::ReadError:
        ++c.readError;
        break;
      case core::CellState::WriteError:
        ++c.writeError;
        break;
    }
  }
  return c;
}

}  // namespace sw::report
