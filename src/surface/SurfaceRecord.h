// The Full Surface Test's findings as the run's record.
#pragma once

#include <optional>

#include "core/Context.h"
#include "surface/SurfaceEngine.h"

namespace sw::surface {

// Restarts LastRun for a full test of the drive just identified.
void StartSurfaceRecord(core::Context& ctx);
// Verdict, sizes, bad ranges, map cells and the written and read phases of a run that got to
// the engine; only the verdict Refused when it was refused before.
void RecordSurfaceResult(core::Context& ctx, const std::optional<SurfaceFindings>& findings, double elapsedSeconds);

}  // namespace sw::surface
