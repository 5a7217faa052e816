// The report lines and verdict box of the Full Surface Test.
#pragma once

#include "core/Context.h"
#include "surface/SurfaceEngine.h"

namespace sw::surface {

void ReportFindings(core::Context& ctx, const SurfaceFindings& findings, double elapsedSeconds);

}  // namespace sw::surface
