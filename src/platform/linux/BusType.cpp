// Bus mapping: udev's word first, the sysfs path as the fallback where udev keeps no record
// (containers, early boot), the kernel name last.
#include "platform/linux/BusType.h"

namespace sw::platform::linuxos {

namespace {

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
bool Starts(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

win::BusType BusTypeFor(const std::string& name, const std::string& idBus,
                        const std::string& devicePath, const std::string& mmcType) {
  if (Starts(name, "loop")) return win::BusTypeFileBackedVirtual;
  // USB first: a USB card reader or stick also has a SCSI host in its path.
  if (idBus == "usb" || Has(devicePath, "/usb")) return win::BusTypeUsb;
  if (Starts(name, "mmcblk") || Has(devicePath, "/mmc")) {
    return mmcType == "MMC" ? win::BusTypeMmc : win::BusTypeSd;
  }
  if (Starts(name, "nvme") || Has(devicePath, "/nvme")) return win::BusTypeNvme;
  if (idBus == "ieee1394") return win::BusType1394;
  if (idBus == "ata" || Has(devicePath, "/ata")) return win::BusTypeSata;
  if (Starts(name, "vd") || Has(devicePath, "/virtio")) return win::BusTypeVirtual;
  if (idBus == "scsi" || Has(devicePath, "/host")) return win::BusTypeScsi;
  return win::BusTypeUnknown;
}

}  // namespace sw::platform::linuxos
