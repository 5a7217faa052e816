// The Make Usable command: the drive checks every raw-disk test makes, the plan from the real end
// measured in this run, two questions that name the disk and the size it will have, then the fix
// on the claimed drive, whose data it destroys.
#pragma once

#include "core/Context.h"

namespace sw::fix {

// Options come from State::Fix.
void cmdFix_Click(core::Context& ctx);

}  // namespace sw::fix
