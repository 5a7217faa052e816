// The "Test Empty Space" button: the whole non-destructive volume file test.
#pragma once

#include "app/Context.h"

namespace sw::filetest {

// Sets LastOutcome: Passed, Failed, Cancelled (aborted during writing or verification), or
// NotRun (stopped before writing).
void cmdVolumeTest_Click(app::Context& ctx);

}  // namespace sw::filetest
