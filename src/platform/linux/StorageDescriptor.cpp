// STORAGE_DEVICE_DESCRIPTOR bytes and the property query around them.
#include "platform/linux/StorageDescriptor.h"

#include <algorithm>

#include "platform/ByteOrder.h"

namespace sw::platform::linuxos {

namespace {

constexpr std::uint32_t kDescriptorSize = 40;
constexpr std::uint32_t kHeaderSize = 8;  // STORAGE_DESCRIPTOR_HEADER: Version, Size
constexpr std::uint32_t kStorageDeviceProperty = 0;
constexpr std::uint32_t kPropertyStandardQuery = 0;
constexpr std::uint32_t kPropertyExistsQuery = 1;
constexpr std::uint8_t kDirectAccessDevice = 0;  // SCSI peripheral device type of a disk

}  // namespace

std::vector<std::uint8_t> BuildStorageDeviceDescriptor(const DeviceDescription& device) {
  std::vector<std::uint8_t> b(kDescriptorSize, 0);
  PutLe32(b, 0, kDescriptorSize);
  b[8] = kDirectAccessDevice;
  b[10] = device.removable ? 1 : 0;
  auto addString = [&b](std::size_t offsetField, const std::string& text) {
    if (text.empty()) return;
    PutLe32(b, offsetField, static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
  };
  addString(12, device.vendor);
  addString(16, device.product);
  addString(20, device.revision);
  addString(24, device.serial);
  PutLe32(b, win::kStorageDeviceDescriptorBusTypeOffset, device.busType);
  PutLe32(b, 4, static_cast<std::uint32_t>(b.size()));
  return b;
}

bool AnswerStorageQuery(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                        const DeviceDescription& device, std::uint32_t& bytesReturned,
                        std::uint32_t& win32Error) {
  bytesReturned = 0;
  if (in.size() < kHeaderSize) {
    win32Error = win::ERROR_INVALID_PARAMETER;
    return false;
  }
  std::uint32_t property = le32(in, 0);
  std::uint32_t query = le32(in, 4);
  if (property != kStorageDeviceProperty) {
    win32Error = win::ERROR_NOT_SUPPORTED;
    return false;
  }
  if (query == kPropertyExistsQuery) return true;
  if (query != kPropertyStandardQuery) {
    win32Error = win::ERROR_INVALID_PARAMETER;
    return false;
  }
  if (out.size() < kHeaderSize) {
    win32Error = win::ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  std::vector<std::uint8_t> descriptor = BuildStorageDeviceDescriptor(device);
  std::size_t n = std::min(out.size(), descriptor.size());
  std::copy_n(descriptor.begin(), n, out.begin());
  bytesReturned = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace sw::platform::linuxos
