// FUSE file systems that do not name their device in the mount table (fusefat shows the source
// "fusefat" and an anonymous 0:NN device): the device is the block device that the process
// serving the mount holds open.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/MountTable.h"

namespace sw::platform::linuxos {

// For every fuse.* mount whose source is not a node under devDir, the source becomes the node
// of the block device held by the FUSE process (one with /dev/fuse open) that was started with
// the mount point among its arguments. Mounts without such a process are left as they are.
void ResolveFuseSources(std::vector<MountEntry>& mounts, const std::filesystem::path& procRoot,
                        const std::string& devDir);

// The mount table with the FUSE sources resolved: what every question about mounts reads.
std::vector<MountEntry> ReadMounts(const std::filesystem::path& mountInfoFile,
                                   const std::filesystem::path& procRoot, const std::string& devDir);

}  // namespace sw::platform::linuxos
