// The Quick Size Test button: checks, refusals, confirmations, busy layout, engine, idle layout.
#pragma once

#include "core/Context.h"

namespace sw::quicktest {

// Sets LastOutcome: Passed, Failed, Cancelled (cancel or abort during the run), or NotRun
// (refused, or Cancel at a confirmation).
void cmdQuickTest_Click(core::Context& ctx);

}  // namespace sw::quicktest
