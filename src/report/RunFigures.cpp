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
