// The thorough volume test: the free space filled with files of the shared format, samples of
// what was written checked after every file, and every byte read back once at the end.
#pragma once

#include "core/Context.h"

namespace sw::filetest {

// Runs when ThoroughMode is set (VerifyOnly: only reads the .h2w files already there). Sets
// LastOutcome: Passed, Failed, Cancelled, or NotRun (stopped before writing, or by the volume).
void RunThoroughTest(core::Context& ctx);

}  // namespace sw::filetest
