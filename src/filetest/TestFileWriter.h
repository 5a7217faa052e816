// Writes test file n of the running volume test from the pattern buffer.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::filetest {

// Seconds still to go when file n is about to be written, elapsedSeconds into the writing:
// the files still to write at the pace so far, and the verification still to come (the interim
// checks ahead and the final one) at the pace an interim check measured, or a third of the
// write pace before one has run. 0 for file 1 (nothing to measure yet).
double EstimateRemaining(const core::State& s, double elapsedSeconds, std::int32_t n);

// Writes SelectedVolume\WARDFILEn.tmp with TestFileSize bytes (write-through, unbuffered, in
// chunks of at most 52,428,800 bytes) and appends " Writing <path>[, hh:mm:ss remaining ]" to
// the log. Sets FileTestError when the file cannot be created or written, or when Cancel is
// seen once it is open; a Cancel seen before it is created returns quietly.
void WriteTestFile(core::Context& ctx, std::int32_t n);

}  // namespace sw::filetest
