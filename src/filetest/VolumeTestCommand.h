// The "Test Empty Space" button: the whole non-destructive volume file test.
#pragma once

#include "core/Context.h"

namespace sw::filetest {

// Sets LastOutcome: Passed, Failed, Cancelled (aborted during writing or verification), or
// NotRun (stopped before writing).
void cmdVolumeTest_Click(core::Context& ctx);

}  // namespace sw::filetest
