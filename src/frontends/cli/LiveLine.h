// The terminal's one updating progress line and the closing speed figures.
#pragma once

#include <string>

#include "core/RunRecord.h"
#include "core/Window.h"

namespace sw::frontends::cli {

// "Writing markers  45%  12.3 MB/s  elapsed 0:01:05  remaining 0:01:20": the rate only where
// data moves and time has passed, the time left only when it is known.
std::string LiveLineText(const core::ProgressUpdate& u);
// "h:mm:ss" of whole seconds.
std::string ClockText(double seconds);
// "Average speed: write 12.3 MB/s, read 40.1 MB/s" for a run that moved data; empty otherwise.
std::string AverageSpeedsText(const core::RunRecord& run);

}  // namespace sw::frontends::cli
