// The real ends that the tests of this run measured, kept per pinned disk for the fix: the Exact
// Probe's and the full-surface test's last good sector, the Quick Size Test's recommended size
// where only that ran.
#pragma once

#include <optional>

#include "core/Context.h"

namespace sw::fix {

// After a test command: keeps the end its record measured for the pinned disk. A quick test's
// recommended size never replaces an exact end of the same disk; a test that measured nothing
// (cancelled, refused, aborted) forgets nothing either.
void NoteMeasuredEnd(core::Context& ctx);

// The end measured in this run for the disk pinned now, if any.
std::optional<core::MeasuredEnd> MeasuredEndOfPinned(const core::State& state);

}  // namespace sw::fix
