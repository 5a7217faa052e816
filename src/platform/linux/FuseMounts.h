// FUSE file systems that do not name their device in the mount table (fusefat shows the source
// "fusefat" and an anonymous 0:NN device): the device is the block device that the process
// serving the mount holds open.
#pragma once

#include <compare>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/MountTable.h"

namespace sw::platform::linuxos {

// A process that serves FUSE mounts, as far as the resolution rests on it: the same pid started
// at another time is another process, and one that opens or drops a block device moves its
// mounts' source.
struct FuseServer {
  std::string pid;
  std::string startTime;  // field 22 of /proc/<pid>/stat; empty when unreadable
  bool fuse = false;      // it holds /dev/fuse
  std::string device;     // the block device node it holds, if any
  auto operator<=>(const FuseServer&) const = default;
};

// What the resolution found: the servers it relied on, and whether every mount that needed one
// had one. A mount with none cannot be watched through a server, so nothing may be kept of it.
struct FuseServers {
  std::vector<FuseServer> servers;
  bool everyMountServed = true;
};

// The server's state now: its start time first, then its open files.
FuseServer ReadFuseServer(const std::filesystem::path& procRoot, const std::string& pid,
                          const std::string& devDir);

// For every fuse.* mount whose source is not a node under devDir, the source becomes the node
// of the block device held by the FUSE process (one with /dev/fuse open) that was started with
// the mount point among its arguments. Mounts without such a process are left as they are.
void ResolveFuseSources(std::vector<MountEntry>& mounts, const std::filesystem::path& procRoot,
                        const std::string& devDir, FuseServers* found = nullptr);

// The mount table with the FUSE sources resolved: what every question about mounts reads.
std::vector<MountEntry> ReadMounts(const std::filesystem::path& mountInfoFile,
                                   const std::filesystem::path& procRoot, const std::string& devDir,
                                   FuseServers* found = nullptr);

}  // namespace sw::platform::linuxos
