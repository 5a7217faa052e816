// Which Windows STORAGE_BUS_TYPE a Linux block device stands for.
#pragma once

#include <string>

#include "platform/WinApi.h"

namespace sw::platform::linuxos {

// name: kernel name ("sdb"); idBus: udev's ID_BUS ("usb", "ata", ...; empty when udev has no
// record); devicePath: where /sys/block/<name> leads; mmcType: device/type of an mmcblk ("SD").
win::BusType BusTypeFor(const std::string& name, const std::string& idBus,
                        const std::string& devicePath, const std::string& mmcType);

}  // namespace sw::platform::linuxos
