// Who a physical drive is: the provider's stable key for the disk with its number, size, model
// and serial. The drive the user picks is pinned with it, so that every later open can tell the
// confirmed disk from another one that has taken its number or its letter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sw::core {

struct DriveIdentity {
  std::int32_t DiskNumber = -1;
  // The provider's key (the DeviceGuid of STORAGE_DEVICE_NUMBER_EX); none where the system
  // gives no such answer, and the other fields must then tell the disks apart.
  std::optional<std::array<std::uint8_t, 16>> Key;
  std::uint64_t SizeBytes = 0;  // 0: not known through this handle
  std::string Model;
  std::string Serial;
};

// What an open found when it looked at the drive it reached.
enum class IdentityCheck {
  Same,     // the pinned disk, or nothing pinned
  Changed,  // another disk answers under the pinned number or letter
  Gone,     // nothing answers there any more
};

// The drive picked by the user, and how the latest check of it went.
struct PinnedDrive {
  DriveIdentity identity;
  std::string Device;   // how the user knows it: "/dev/sdb", or empty where drives have no node
  std::string Letters;  // "E: F:" as the drive had them when picked
};

}  // namespace sw::core
