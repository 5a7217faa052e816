// The drive's address space as an SVG picture: every location a test checked as a cell, the
// real end and the recommended partition marked, a legend and the drive line.
#pragma once

#include <string>

#include "core/RunRecord.h"

namespace sw::report {

// Past this many locations, neighbouring ones share a cell (in the worst state among them), so
// the picture of a 64 TiB drive stays a picture.
inline constexpr std::size_t kMaxMapCells = 4000;

// The whole SVG document, titled with the command, the verdict and date (as the system writes
// a date; empty: none). Only locations a test checked are drawn as cells: the probe, which
// checks none, shows its finding on the address space alone.
std::string DriveMapSvg(const core::RunRecord& run, const std::string& date);

}  // namespace sw::report
