// The Exact Probe button: checks, refusals, confirmations, busy layout, engine, report, idle
// layout.
#pragma once

#include "core/Context.h"

namespace sw::probe {

// Probes the drive of the selected volume, keeping its data unless State::ProbeDestructive.
// Sets LastOutcome: Passed (genuine), Failed (counterfeit or faulty), Cancelled (Cancel, or the
// drive lost, during the run), or NotRun (refused, or Cancel at a confirmation); and LastRun.
void cmdProbe_Click(core::Context& ctx);

}  // namespace sw::probe
