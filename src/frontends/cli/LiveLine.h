// The terminal's one updating progress line and the closing speed figures.
#pragma once

#include <cstddef>
#include <string>

#include "core/RunRecord.h"
#include "core/Window.h"

namespace sw::frontends::cli {

// The live line's width when the terminal does not tell its own.
inline constexpr std::size_t kUnknownLineWidth = 79;
// The longest line a terminal of that many columns (0: unknown) shows without wrapping: one
// column short, since a line that fills the last one wraps on some terminals.
std::size_t LineWidthFor(int columns);

// "Writing markers  45%  12.3 MB/s  elapsed 0:01:05  remaining 0:01:20": the rate only where
// data moves and time has passed, the time left only when it is known. At most width
// characters: the figures that matter least are left off first, and the phase's name is cut
// last.
std::string LiveLineText(const core::ProgressUpdate& u, std::size_t width);
// "h:mm:ss" of whole seconds.
std::string ClockText(double seconds);
// "Average speed: write 12.3 MB/s, read 40.1 MB/s" for a run that moved data; empty otherwise.
std::string AverageSpeedsText(const core::RunRecord& run);

}  // namespace sw::frontends::cli
