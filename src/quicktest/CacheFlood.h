// Defeating a counterfeit's write cache before the markers are judged (engine-internal).
#pragma once

#include <cstdint>

#include "core/Context.h"
#include "quicktest/QuickTestRun.h"

namespace sw::quicktest::detail {

// At most this many sectors are written beyond the markers: an eighth of min(2 GiB, half the
// drive).
std::int64_t CacheFloodBudgetSectors(std::int64_t totalSectors);

// Floods the drive's write caches, reads every marker again from the flash and records the
// ones lost; logs a line of its own when a cache was found. Runs with the drive open.
void DefeatWriteCache(core::Context& ctx, QuickTestRun& run);

}  // namespace sw::quicktest::detail
