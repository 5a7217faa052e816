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
  std::string options{};  // "rw,nosuid,relatime,fmask=0022": what mounts it the same way again
};

// Entries in file order (parents before the mounts on top of them); empty when unreadable.
std::vector<MountEntry> ReadMountInfo(const std::filesystem::path& mountInfoFile);

// Mounts the entry's source on its target again, with its type and options. False when the
// system refuses (the folder is gone, a helper is missing).
bool MountAgain(const MountEntry& entry);

// The swap areas in use, from a /proc/swaps file: device nodes or swap files; empty when
// unreadable.
std::vector<std::string> ReadSwaps(const std::filesystem::path& swapsFile);

}  // namespace sw::platform::linuxos
