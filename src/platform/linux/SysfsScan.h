// What /sys/block says about the block devices of this machine, read from a root folder so that
// tests can hand in a fake tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sw::platform::linuxos {

struct SysPartition {
  std::string name;          // "sdb1", "mmcblk0p1", "nvme0n1p2"
  std::string devName;       // DEVNAME from uevent, normally the same as name
  std::string majMin;        // "8:17"
  int number = 0;            // the partition file: 1, 2, ...
  std::uint64_t sizeSectors = 0;  // in 512-byte units, as sysfs counts
};

// One entry of /sys/block: a whole disk, or a stacked device such as dm-0 or md0.
struct SysBlockDevice {
  std::string name;          // "sdb", "loop3", "dm-0"
  std::string devName;       // DEVNAME from uevent
  std::string majMin;
  std::uint64_t sizeSectors = 0;
  // The kernel's count of disks and media seen since boot (5.15 and later): a stick plugged in
  // again, or a loop device attached anew, gets a new number. 0 when the kernel has none.
  std::uint64_t diskSeq = 0;
  bool removable = false;
  std::string devicePath;    // where /sys/block/<name> leads: ".../usb2/2-1/.../block/sdb"
  std::string backingFile;   // loop devices only; empty when nothing is attached
  std::string mmcType;       // "SD" or "MMC" for mmcblk devices (device/type)
  std::string vendor, model, revision;  // device/vendor, device/model (or name), device/rev
  std::vector<std::string> slaves;      // names in slaves/ (dm, md)
  std::vector<SysPartition> partitions; // in partition-number order
};

// Every entry of <sysRoot>/block, in natural name order. Missing files leave fields empty.
std::vector<SysBlockDevice> ScanSysBlock(const std::filesystem::path& sysRoot);

// Kernel name order: digits compare as numbers, letter runs shorter first (sdz < sdaa).
bool NaturalLess(const std::string& a, const std::string& b);

// Whole disks that can stand as physical drives: sd*, mmcblk*, nvme*n*, vd*, and loop devices
// with a backing file.
bool IsCandidateDisk(const SysBlockDevice& device);

}  // namespace sw::platform::linuxos
