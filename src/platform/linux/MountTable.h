// The mounts of this process's namespace, from a mountinfo file parsed by libmount (which also
// undoes the octal escapes such as \040 for a space in a mount point).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sw::platform::linuxos {

struct MountEntry {
  std::string majMin;   // "8:17" (btrfs shows an anonymous 0:NN here, so the source counts too)
  std::string source;   // "/dev/sdb1"
  std::string target;   // "/media/my stick"
  std::string fsType;   // "vfat"
  std::string root;     // "/" unless a sub-folder is bind-mounted
};

// Entries in file order (parents before the mounts on top of them); empty when unreadable.
std::vector<MountEntry> ReadMountInfo(const std::filesystem::path& mountInfoFile);

}  // namespace sw::platform::linuxos
