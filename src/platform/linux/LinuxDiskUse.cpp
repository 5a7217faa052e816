// What must stop a write on this machine: device paths to drives, the mounts of a disk and who
// holds them, giving unmounted volumes back, and names of test files that are not plain files.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/WinApi.h"
#include "platform/linux/DevicePath.h"
#include "platform/linux/FuseMounts.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/MountHolders.h"
#include "platform/linux/ReachedDevice.h"
#include "platform/linux/WinPath.h"
#include "platform/linux/Wildcard.h"

namespace sw::platform::linuxos {

namespace {

struct DirClose {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

NamedDevice LinuxOs::FindDevice(const std::string& path) {
  return ResolveDevicePath(Snapshot(), path, paths_.devDir);
}

std::string LinuxOs::DeviceName(int diskNumber) {
  const DeviceMap map = Snapshot();
  const PhysicalDisk* disk = map.Disk(diskNumber);
  return disk && disk->known() ? disk->devNode : std::string{};
}

std::vector<MountInUse> LinuxOs::MountsOfDisk(int diskNumber) {
  const DeviceMap map = Snapshot();
  const PhysicalDisk* disk = map.Disk(diskNumber);
  if (!disk || !disk->known()) return {};
  std::vector<MountInUse> inUse;
  for (const MountEntry& m : MountsOnDisk(ScanSysBlock(paths_.sysRoot), ReadMounts(paths_.mountInfo, paths_.procRoot, paths_.devDir),
                                          disk->device, paths_.devDir)) {
    inUse.push_back({m.source, m.target, ProcessesUsing(paths_.procRoot, m.target)});
  }
  return inUse;
}

std::vector<std::string> LinuxOs::RemountDisk(int diskNumber) {
  auto it = unmounted_.find(diskNumber);
  if (it == unmounted_.end()) return {};
  std::vector<std::string> failed;
  const DeviceMap map = Snapshot();
  const PhysicalDisk* disk = map.Disk(diskNumber);
  // They were taken down topmost first, so they go up again in the opposite order. A bound
  // sub-folder (root other than "/") cannot be mounted from the device alone. A node that has
  // passed to another device since (the stick pulled, another in its place) is not mounted.
  for (auto u = it->second.rbegin(); u != it->second.rend(); ++u) {
    const MountEntry& m = u->mount;
    const bool same = disk && disk->known() && KeyOf(disk->device) == u->disk &&
                      (paths_.devDir != "/dev" || NodeIsDevice(m.source, u->deviceMajMin));
    if (m.root != "/" || !same || !MountAgain(m)) failed.push_back(m.target);
  }
  unmounted_.erase(it);
  return failed;
}

std::vector<std::string> LinuxOs::FindNonRegularFiles(const std::string& pattern) {
  std::vector<std::string> names;
  const WinPath path = ParseWinPath(pattern);
  if (path.kind != WinPath::Kind::File) return names;
  const std::size_t slash = path.relative.rfind('/');
  const std::string sub = slash == std::string::npos ? "" : path.relative.substr(0, slash);
  const std::string namePattern = slash == std::string::npos ? path.relative : path.relative.substr(slash + 1);
  const std::string folder = VolumeFolder(path.letter, sub);
  if (folder.empty()) return names;
  std::unique_ptr<DIR, DirClose> dir(::opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || !MatchesWildcard(namePattern, name)) continue;
    struct stat st {};
    const bool regular = ::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                         S_ISREG(st.st_mode);
    if (!regular) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace sw::platform::linuxos
