// Figures derived from the run's record: average speeds and the checked locations by state.
#pragma once

#include <cstdint>
#include <vector>

#include "core/RunRecord.h"

namespace sw::report {

struct Speed {
  std::uint64_t bytes = 0;
  double seconds = 0;  // 0: too quick to measure, no speed
};
// All phases of one direction together; for a run without such phases, the requests of that
// direction by their mean latency.
Speed AverageSpeed(const core::RunRecord& run, core::Direction direction);

struct CellCounts {
  std::uint64_t locations = 0;
  std::uint64_t good = 0;
  std::uint64_t lost = 0;
  std::uint64_t wrongNumber = 0;
  std::uint64_t readError = 0;
  std::uint64_t writeError = 0;
};
// Each location once, in its worst state (a location checked twice counts once).
CellCounts CountCells(const std::vector<core::CheckedCell>& cells);
// The locations in address order, each once in its worst state.
std::vector<core::CheckedCell> UniqueCells(std::vector<core::CheckedCell> cells);

}  // namespace sw::report
