// The Windows view of this machine's block devices: physical drive numbers and drive letters,
// worked out from the sysfs scan and the mount table alone (no system calls), so that every rule
// can be tested on fixtures.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsScan.h"

namespace sw::platform::linuxos {

struct PhysicalDisk {
  int number = 0;
  SysBlockDevice device;  // device.name is empty when the disk of "/" is unknown (number 0 only)
  std::string devNode;    // "/dev/sdb"
  bool known() const { return !device.name.empty(); }
};

struct VolumeEntry {
  char letter = 0;
  std::string name;        // "sdb1", or the disk's name for a disk without partitions
  std::string devNode;     // "/dev/sdb1"; empty when "/" is on no block device
  std::string majMin;
  int diskNumber = -1;     // -1 when the volume lies on no numbered disk
  int partitionNumber = 0; // 0 for a whole disk
  std::string mountPoint;  // empty when not mounted
  std::string fsType;      // from the mount table
  std::string mountMajMin{};  // the file system's device number there (FUSE: an anonymous one)
};

struct DeviceMap {
  std::vector<PhysicalDisk> disks;    // in number order; disks[0] holds "/"
  std::vector<VolumeEntry> volumes;   // in letter order, C: first

  const PhysicalDisk* Disk(int number) const;
  const VolumeEntry* Volume(char letter) const;  // letter in either case
};

// PhysicalDrive0 is the disk that holds "/" (or, when "/" is on no block device, the first disk
// holding another system mount). Further disks of the system (a RAID partner, the disk of /boot,
// of /home, of a swap area) get no number at all, so no command can reach them. The other candidate disks follow in a fixed
// order: sd, mmcblk, nvme, vd, loop, each in kernel name order. C: is the volume of "/"; D: on
// go to every partition (extended-partition containers aside) and to every disk without
// partitions, in drive number order.
DeviceMap BuildDeviceMap(const std::vector<SysBlockDevice>& devices,
                         const std::vector<MountEntry>& mounts, const std::string& devDir,
                         const std::vector<std::string>& swaps = {});

// The mount of a device: its first whole mount (root "/") in table order; null when it is not
// mounted, or only a folder or file of it is bound somewhere (the volume's root is not there).
// Matches the device number or the source node.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& majMin,
                            const std::string& devNode);

}  // namespace sw::platform::linuxos
