// IOCTL_STORAGE_GET_DEVICE_NUMBER_EX on Linux: the drive number as usual, and in place of the
// Windows DeviceGuid the key that tells one disk from the next to take its number: the disk's
// device number (major, minor) and its diskseq. A stick unplugged and another plugged in may get
// the same node and the same numbers, never the same diskseq.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>

#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/ReachedDevice.h"

namespace sw::platform::linuxos {

namespace {

void PutLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool ParseMajMin(const std::string& text, unsigned& major, unsigned& minor) {
  return std::sscanf(text.c_str(), "%u:%u", &major, &minor) == 2;
}

}  // namespace

bool LinuxOs::DeviceNumberEx(const Object& object, std::span<std::uint8_t> out,
                             std::uint32_t& bytesReturned) {
  if (object.diskNumber < 0) return Fail(win::ERROR_INVALID_FUNCTION);
  if (out.size() < win::kStorageDeviceNumberExSize) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  const DeviceMap map = Snapshot();
  const PhysicalDisk* disk = map.Disk(object.diskNumber);
  if (!disk || !disk->known()) return Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  // A volume stands for its disk; a disk handle must still be the disk the number names now.
  if (object.kind == Object::Kind::Disk && disk->device.majMin != object.majMin) {
    return Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  }
  unsigned major = 0;
  unsigned minor = 0;
  if (!ParseMajMin(disk->device.majMin, major, minor)) return Fail(win::ERROR_INVALID_FUNCTION);
  std::uint64_t seq = disk->device.diskSeq;
  if (object.fd.valid()) {
    // What the descriptor reached counts over what sysfs says a moment later; only a block
    // device has a device number of its own to tell.
    struct stat st {};
    if (::fstat(object.fd.get(), &st) == 0 && S_ISBLK(st.st_mode) && object.kind == Object::Kind::Disk) {
      major = ::major(st.st_rdev);
      minor = ::minor(st.st_rdev);
    }
    if (const std::optional<std::uint64_t> fromFd = DiskSeqOf(object.fd.get())) seq = *fromFd;
  }
  for (std::size_t i = 0; i < win::kStorageDeviceNumberExSize; ++i) out[i] = 0;
  PutLe32(out, win::sdnx::Version, win::kStorageDeviceNumberExSize);
  PutLe32(out, win::sdnx::Size, win::kStorageDeviceNumberExSize);
  PutLe32(out, win::sdnx::DeviceType, win::FILE_DEVICE_DISK);
  PutLe32(out, win::sdnx::DeviceNumber, static_cast<std::uint32_t>(object.diskNumber));
  PutLe32(out, win::sdnx::DeviceGuid, major);
  PutLe32(out, win::sdnx::DeviceGuid + 4, minor);
  PutLe32(out, win::sdnx::DeviceGuid + 8, static_cast<std::uint32_t>(seq));
  PutLe32(out, win::sdnx::DeviceGuid + 12, static_cast<std::uint32_t>(seq >> 32));
  PutLe32(out, win::sdnx::PartitionNumber, static_cast<std::uint32_t>(object.partitionNumber));
  bytesReturned = win::kStorageDeviceNumberExSize;
  return true;
}

}  // namespace sw::platform::linuxos
