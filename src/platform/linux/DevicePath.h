// From a device path the user typed to the physical drive and volume it names, on the device map
// of this moment. Links (/dev/disk/by-id/...) are resolved; a partition names its disk and itself.
#pragma once

#include <string>

#include "platform/DiskUse.h"
#include "platform/linux/DeviceMap.h"

namespace sw::platform::linuxos {

// A block node is matched by its device number. A file that is not a node is matched by its
// name in devDir only, which is what a fixture's dev folder holds.
NamedDevice ResolveDevicePath(const DeviceMap& map, const std::string& path, const std::string& devDir);

}  // namespace sw::platform::linuxos
