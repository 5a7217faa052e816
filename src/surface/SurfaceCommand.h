// The Full Surface Test command: the drive checks every raw-disk test makes, two questions that
// name the disk, then the engine on the claimed drive, whose data it destroys.
#pragma once

#include "core/Context.h"

namespace sw::surface {

void cmdSurface_Click(core::Context& ctx);

}  // namespace sw::surface
