// Drive numbers and letters from the scan and the mount table.
#include "platform/linux/DeviceMap.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace sw::platform::linuxos {

namespace {

// Partitions of at most 2 sectors are the containers of extended partitions: no file system.
constexpr std::uint64_t kExtendedContainerSectors = 2;

// The mounts the running system lives on. Beneath /boot, /usr, /var and /etc every mount is the
// system's too (/boot/efi, /var/lib/docker; container runtimes bind /etc/hosts from the host's
// disk). Beneath /home a mount may well be a stick the user mounted there, so only /home itself.
bool IsSystemTarget(const std::string& target) {
  static const std::set<std::string> kTargets = {"/",     "/boot", "/usr", "/var", "/etc", "/home",
                                                 "/opt",  "/srv",  "/root", "/tmp"};
  static const char* const kTrees[] = {"/boot/", "/usr/", "/var/", "/etc/"};
  if (kTargets.count(target) != 0) return true;
  for (const char* tree : kTrees) {
    if (target.rfind(tree, 0) == 0) return true;
  }
  return false;
}

// The mount a swap file lies in: the one with the longest mount point above it.
const MountEntry* MountHolding(const std::vector<MountEntry>& mounts, const std::string& file) {
  const MountEntry* best = nullptr;
  for (const MountEntry& m : mounts) {
    const bool above = file.rfind(m.target, 0) == 0 &&
                       (m.target == "/" || file.size() == m.target.size() || file[m.target.size()] == '/');
    if (above && (!best || m.target.size() >= best->target.size())) best = &m;
  }
  return best;
}

int KindRank(const std::string& name) {
  static const char* const kOrder[] = {"sd", "mmcblk", "nvme", "vd", "loop"};
  for (int i = 0; i < 5; ++i) {
    if (name.rfind(kOrder[i], 0) == 0) return i;
  }
  return 5;
}

class Devices {
 public:
  explicit Devices(const std::vector<SysBlockDevice>& list) : list_(list) {}

  const SysBlockDevice* ByName(const std::string& name) const {
    for (const SysBlockDevice& d : list_) {
      if (d.name == name) return &d;
    }
    return nullptr;
  }
  // The device (disk or stacked) or the partition's disk that a mount entry stands on, and the
  // partition itself when it is one.
  const SysBlockDevice* Holder(const MountEntry& m, const std::string& devDir,
                               const SysPartition** part) const {
    *part = nullptr;
    for (const SysBlockDevice& d : list_) {
      const bool hasNumber = !m.majMin.empty();
      if ((hasNumber && d.majMin == m.majMin) || devDir + "/" + d.devName == m.source) return &d;
      for (const SysPartition& p : d.partitions) {
        if ((hasNumber && p.majMin == m.majMin) || devDir + "/" + p.devName == m.source) {
          *part = &p;
          return &d;
        }
      }
    }
    return nullptr;
  }
  // The whole disks beneath a device: itself, or what its slaves (dm, md) rest on.
  void BaseDisks(const std::string& name, std::vector<std::string>& out, int depth = 0) const {
    if (depth > 8) return;
    const SysBlockDevice* dev = ByName(name);
    if (!dev) {
      for (const SysBlockDevice& d : list_) {
        for (const SysPartition& p : d.partitions) {
          if (p.name == name) dev = &d;
        }
      }
    }
    if (!dev) return;
    if (dev->slaves.empty()) {
      if (std::find(out.begin(), out.end(), dev->name) == out.end()) out.push_back(dev->name);
      return;
    }
    for (const std::string& slave : dev->slaves) BaseDisks(slave, out, depth + 1);
  }

 private:
  const std::vector<SysBlockDevice>& list_;
};

}  // namespace

const PhysicalDisk* DeviceMap::Disk(int number) const {
  for (const PhysicalDisk& disk : disks) {
    if (disk.number == number) return &disk;
  }
  return nullptr;
}

const VolumeEntry* DeviceMap::Volume(char letter) const {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const VolumeEntry& v : volumes) {
    if (v.letter == upper) return &v;
  }
  return nullptr;
}

const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& majMin,
                            const std::string& devNode) {
  for (const MountEntry& m : mounts) {
    bool same = (!majMin.empty() && m.majMin == majMin) || (!devNode.empty() && m.source == devNode);
    if (same && m.root == "/") return &m;
  }
  return nullptr;
}

DeviceMap BuildDeviceMap(const std::vector<SysBlockDevice>& list,
                         const std::vector<MountEntry>& mounts, const std::string& devDir,
                         const std::vector<std::string>& swaps) {
  Devices devices(list);
  DeviceMap map;

  // The mount on top of "/" is the last one in the table.
  const MountEntry* rootMount = nullptr;
  for (const MountEntry& m : mounts) {
    if (m.target == "/") rootMount = &m;
  }
  const SysBlockDevice* rootHolder = nullptr;
  const SysPartition* rootPart = nullptr;
  std::vector<std::string> rootDisks, systemDisks;
  if (rootMount) {
    rootHolder = devices.Holder(*rootMount, devDir, &rootPart);
    if (rootHolder) devices.BaseDisks(rootPart ? rootPart->name : rootHolder->name, rootDisks);
  }
  for (const MountEntry& m : mounts) {
    const SysPartition* part = nullptr;
    const SysBlockDevice* holder = IsSystemTarget(m.target) ? devices.Holder(m, devDir, &part) : nullptr;
    if (holder) devices.BaseDisks(part ? part->name : holder->name, systemDisks);
  }
  // Swap is memory the system is using: a disk that holds a swap partition or a swap file is
  // as much the system's as the disk of "/".
  for (const std::string& swap : swaps) {
    MountEntry area;
    area.source = swap;
    const MountEntry* onFile = swap.rfind(devDir + "/", 0) == 0 ? nullptr : MountHolding(mounts, swap);
    const SysPartition* part = nullptr;
    const SysBlockDevice* holder = devices.Holder(onFile ? *onFile : area, devDir, &part);
    if (holder) devices.BaseDisks(part ? part->name : holder->name, systemDisks);
  }
  for (const std::string& d : rootDisks) systemDisks.push_back(d);

  PhysicalDisk disk0;
  std::string disk0Name = !rootDisks.empty() ? rootDisks.front() : "";
  if (disk0Name.empty() && !systemDisks.empty()) {
    disk0Name = *std::min_element(systemDisks.begin(), systemDisks.end(), NaturalLess);
  }
  if (const SysBlockDevice* d = devices.ByName(disk0Name)) {
    disk0.device = *d;
    disk0.devNode = devDir + "/" + d->devName;
  }
  map.disks.push_back(std::move(disk0));

  std::vector<const SysBlockDevice*> others;
  for (const SysBlockDevice& d : list) {
    bool system = std::find(systemDisks.begin(), systemDisks.end(), d.name) != systemDisks.end();
    if (IsCandidateDisk(d) && !system) others.push_back(&d);
  }
  std::stable_sort(others.begin(), others.end(), [](const SysBlockDevice* a, const SysBlockDevice* b) {
    int ra = KindRank(a->name), rb = KindRank(b->name);
    return ra != rb ? ra < rb : NaturalLess(a->name, b->name);
  });
  for (const SysBlockDevice* d : others) {
    PhysicalDisk disk;
    disk.number = static_cast<int>(map.disks.size());
    disk.device = *d;
    disk.devNode = devDir + "/" + d->devName;
    map.disks.push_back(std::move(disk));
  }

  auto addVolume = [&](VolumeEntry v) {
    if (const MountEntry* m = FindMount(mounts, v.majMin, v.devNode)) {
      v.mountPoint = m->target;
      v.fsType = m->fsType;
      v.mountMajMin = m->majMin;
    }
    map.volumes.push_back(std::move(v));
  };

  VolumeEntry c;
  c.letter = 'C';
  std::string rootVolumeName;
  if (rootHolder) {
    rootVolumeName = rootPart ? rootPart->name : rootHolder->name;
    c.name = rootVolumeName;
    c.devNode = devDir + "/" + (rootPart ? rootPart->devName : rootHolder->devName);
    c.majMin = rootPart ? rootPart->majMin : rootHolder->majMin;
    c.diskNumber = map.disks[0].known() ? 0 : -1;
    c.partitionNumber = rootPart ? rootPart->number : 0;
  }
  if (rootMount) {
    c.mountPoint = "/";
    c.fsType = rootMount->fsType;
  }
  map.volumes.push_back(std::move(c));

  char next = 'D';
  for (const PhysicalDisk& disk : map.disks) {
    if (!disk.known()) continue;
    std::vector<VolumeEntry> vols;
    for (const SysPartition& p : disk.device.partitions) {
      if (p.sizeSectors <= kExtendedContainerSectors || p.name == rootVolumeName) continue;
      vols.push_back({0, p.name, devDir + "/" + p.devName, p.majMin, disk.number, p.number, "", ""});
    }
    if (disk.device.partitions.empty() && disk.device.name != rootVolumeName) {
      const SysBlockDevice& d = disk.device;
      vols.push_back({0, d.name, devDir + "/" + d.devName, d.majMin, disk.number, 0, "", ""});
    }
    for (VolumeEntry& v : vols) {
      if (next > 'Z') return map;
      v.letter = next++;
      addVolume(std::move(v));
    }
  }
  return map;
}

}  // namespace sw::platform::linuxos
