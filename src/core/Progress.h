// Progress of the long phases: measured into the run's record and handed to the window, which
// may show it live. The report's own progress lines are logged by the callers as before.
#pragma once

#include "core/Context.h"

namespace sw::core {

// update carries phase, done, total, bytesMoved and reportLineFollows (and remainingSeconds when
// the caller has an estimate of its own). A phase begins when its name differs from the last
// update's or its count goes back; elapsedSeconds is measured from there, and the phase's bytes
// and seconds go into LastRun.phases under direction.
void ReportProgress(Context& ctx, ProgressUpdate update, Direction direction);

// Counts one request into LastRun.transfers.
void CountWrite(Context& ctx, std::uint64_t bytes, bool ok);
void CountRead(Context& ctx, std::uint64_t bytes, bool ok);

}  // namespace sw::core
