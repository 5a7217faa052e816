// IOCTL_STORAGE_QUERY_PROPERTY answered from what sysfs and udev know: the bytes of a
// STORAGE_DEVICE_DESCRIPTOR as Windows lays them out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/WinApi.h"

namespace sw::platform::linuxos {

struct DeviceDescription {
  win::BusType busType = win::BusTypeUnknown;
  bool removable = false;
  std::string vendor, product, revision, serial;
};

// STORAGE_DEVICE_DESCRIPTOR (40 bytes: Version, Size, DeviceType, DeviceTypeModifier,
// RemovableMedia, CommandQueueing, the four string offsets, BusType at 28, RawPropertiesLength)
// followed by the NUL-terminated strings that are not empty.
std::vector<std::uint8_t> BuildStorageDeviceDescriptor(const DeviceDescription& device);

// Answers the 12-byte STORAGE_PROPERTY_QUERY in `in`: StorageDeviceProperty with the standard
// query fills as much of the descriptor as out holds (bytesReturned tells how much); the exists
// query succeeds with nothing returned. Other properties: ERROR_NOT_SUPPORTED.
bool AnswerStorageQuery(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                        const DeviceDescription& device, std::uint32_t& bytesReturned,
                        std::uint32_t& win32Error);

}  // namespace sw::platform::linuxos
