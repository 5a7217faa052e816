// The write and read-back passes as live progress and as cells of the run's record.
#pragma once

#include <cstdint>

#include "core/Context.h"
#include "quicktest/QuickTestRun.h"

namespace sw::quicktest::detail {

// How far the pass has come over the drive's address space; markers moved bytesPerMarker each.
void ShowPassProgress(core::Context& ctx, const QuickTestRun& run, bool writing,
                      std::uint64_t markers, bool reportLineFollows);

// The state of one marker location as the read-back found it; a location whose write failed
// stays a write error whatever it reads back.
void RecordMarkerCell(core::Context& ctx, std::int64_t sector, bool readOk, std::int64_t found);
void RecordWriteErrorCell(core::Context& ctx, std::int64_t sector);

}  // namespace sw::quicktest::detail
