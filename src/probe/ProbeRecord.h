// The Exact Probe's findings as the run's record.
#pragma once

#include <optional>

#include "core/Context.h"
#include "probe/ProbeEngine.h"

namespace sw::probe {

// Restarts LastRun for a probe of the drive just identified.
void StartProbeRecord(core::Context& ctx);
// Verdict, sizes, kind, cache, latencies and bad range of a run that got to the engine; nothing
// when it was refused before.
void RecordProbeResult(core::Context& ctx, const std::optional<ProbeFindings>& findings,
                       double elapsedSeconds);

}  // namespace sw::probe
