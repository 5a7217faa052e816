// The provider of real drives for this build (kernel32 on Windows, block devices on Linux).
#pragma once

#include <memory>

#include "platform/Os.h"

namespace sw::platform {

// Null when this build has no provider for real drives.
std::unique_ptr<Os> MakeDefaultOs();

}  // namespace sw::platform
