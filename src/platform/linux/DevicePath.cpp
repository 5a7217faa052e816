// Device paths to drive numbers and letters.
#include "platform/linux/DevicePath.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/linux/LinuxTexts.h"
#include "platform/linux/ReachedDevice.h"
#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

namespace fs = std::filesystem;

namespace {

struct Key {
  std::string majMin;  // set for a block node
  std::string name;    // set for a plain file in the dev folder
  std::optional<std::uint64_t> diskSeq;  // of the disk the node led to, where the kernel tells
  bool Matches(const std::string& otherMajMin, const std::string& devName) const {
    return majMin.empty() ? name == devName : majMin == otherMajMin;
  }
  // A node reused by a disk that came after the scan has the same numbers, never the same seq.
  bool SameDisk(const SysBlockDevice& disk) const {
    return !diskSeq || disk.diskSeq == 0 || *diskSeq == disk.diskSeq;
  }
};

NamedDevice Failure(const std::string& path, const char* why) {
  NamedDevice found;
  found.error = path + why;
  return found;
}

}  // namespace

NamedDevice ResolveDevicePath(const DeviceMap& map, const std::string& path, const std::string& devDir) {
  std::error_code ec;
  const fs::path real = fs::canonical(path, ec);
  if (ec) return Failure(path, kPathNoSuchDevice);
  struct stat st {};
  if (::stat(real.c_str(), &st) != 0) return Failure(path, kPathNoSuchDevice);
  Key key;
  if (S_ISBLK(st.st_mode)) {
    key.majMin = MajMinOf(st.st_rdev);
    // Opening without O_EXCL claims nothing; without the rights to open it the numbers must do.
    const UniqueFd fd(::open(real.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.valid() && ReachedDevice(fd.get(), key.majMin, 0)) key.diskSeq = DiskSeqOf(fd.get());
  } else if (S_ISREG(st.st_mode) && real.parent_path() == fs::canonical(devDir, ec)) {
    key.name = real.filename().string();
  } else {
    return Failure(path, kPathNotBlockDevice);
  }

  for (const PhysicalDisk& disk : map.disks) {
    if (!disk.known()) continue;
    NamedDevice found;
    found.diskNumber = disk.number;
    found.device = disk.devNode;
    if (!key.SameDisk(disk.device)) continue;
    if (key.Matches(disk.device.majMin, disk.device.devName)) return found;
    for (const SysPartition& part : disk.device.partitions) {
      if (!key.Matches(part.majMin, part.devName)) continue;
      for (const VolumeEntry& v : map.volumes) {
        if (v.name == part.name && v.diskNumber == disk.number) {
          found.volume = std::string(1, v.letter) + ":";
        }
      }
      if (found.volume.empty()) return Failure(path, kPathNoVolume);
      return found;
    }
  }
  // Stacked devices (dm, md), partners of the system disk, CD drives: none has a drive number.
  return Failure(path, kPathNotTestable);
}

}  // namespace sw::platform::linuxos
