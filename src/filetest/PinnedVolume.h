// The volume about to be filled is still on the drive the user picked.
#pragma once

#include "core/Context.h"

namespace sw::filetest {

// True when SelectedVolume still leads to the pinned drive (or nothing was pinned). Otherwise
// the report says the drive changed or disappeared, LastOutcome is Cancelled and nothing may be
// written.
bool StillThePickedVolume(core::Context& ctx);

}  // namespace sw::filetest
