// libudev look-up of one block device's properties.
#include "platform/linux/UdevInfo.h"

#include <libudev.h>

#include <memory>

namespace sw::platform::linuxos {

namespace {

struct UdevFree {
  void operator()(udev* u) const { udev_unref(u); }
};
struct DeviceFree {
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string Property(udev_device* device, const char* key) {
  const char* value = udev_device_get_property_value(device, key);
  return value ? value : "";
}

}  // namespace

UdevInfo LookUpUdev(const std::string& kernelName) {
  UdevInfo info;
  std::unique_ptr<udev, UdevFree> context(udev_new());
  if (!context) return info;
  std::unique_ptr<udev_device, DeviceFree> device(
      udev_device_new_from_subsystem_sysname(context.get(), "block", kernelName.c_str()));
  if (!device) return info;
  info.bus = Property(device.get(), "ID_BUS");
  info.serial = Property(device.get(), "ID_SERIAL_SHORT");
  return info;
}

}  // namespace sw::platform::linuxos
