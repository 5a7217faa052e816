// Writes test file n of the running volume test from the pattern buffer.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::filetest {

// Seconds still to go after file n of testFileCount, elapsedSeconds into the writing: the pace
// so far, padded for the interim checks still ahead and by a third of the time per file.
double EstimateRemaining(double elapsedSeconds, double testFileCount, std::int32_t n);

// Writes SelectedVolume\WARDFILEn.tmp with TestFileSize bytes (write-through, unbuffered, in
// chunks of at most 52,428,800 bytes) and appends " Writing <path>[, hh:mm:ss remaining ]" to
// the log. Sets FileTestError when the file cannot be created or written, or when Cancel is
// seen once it is open; a Cancel seen before it is created returns quietly.
void WriteTestFile(core::Context& ctx, std::int32_t n);

}  // namespace sw::filetest
