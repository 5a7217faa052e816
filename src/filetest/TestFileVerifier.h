// Reads test files back: one file, and the interim check of every file written so far.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::filetest {

// True when SelectedVolume\WARDFILEn.tmp carries n in its header and n mod 256 at every odd
// multiple of 16,384 below TestFileSize; then GoodFileCount goes up by one. A missing file, a
// failed or short read (a file shorter than TestFileSize), or Cancel give false, uncounted.
bool VerifyTestFile(core::Context& ctx, std::int32_t n);

// The interim check: verifies files 1..n (all of them, even after a failure), counting afresh
// in GoodFileCount, and sets FileTestError when any fails. Appends " Checking..." and, when
// FileTestError is clear afterwards, " OK".
void VerifyFilesSoFar(core::Context& ctx, std::int32_t n);

}  // namespace sw::filetest
