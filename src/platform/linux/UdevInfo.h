// What udev recorded about a block device (bus and serial), through libudev.
#pragma once

#include <string>

namespace sw::platform::linuxos {

struct UdevInfo {
  std::string bus;     // ID_BUS: "usb", "ata", "scsi", ...
  std::string serial;  // ID_SERIAL_SHORT
};

// Empty fields where udev keeps no record (no udev daemon, as in most containers).
UdevInfo LookUpUdev(const std::string& kernelName);

}  // namespace sw::platform::linuxos
