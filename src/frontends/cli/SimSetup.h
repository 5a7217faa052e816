// The simulated machine of the --simulate options.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/SimOs.h"

namespace sw::frontends::cli {

// Adds the drives described (numbered 1, 2, ... in order; "demo" loads the demo machine and may
// only come first), plus CD-ROM letters until the drive list examines every drive. Returns an
// error text, empty on success.
std::string BuildSimulatedMachine(const std::vector<std::string>& specs, platform::sim::SimOs& os);

}  // namespace sw::frontends::cli
