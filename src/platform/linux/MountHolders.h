// Who keeps a mounted file system busy: the processes with a file, a folder (cwd or root) or a
// mapped file beneath its mount point, read from a /proc tree.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsScan.h"

namespace sw::platform::linuxos {

// "1234 (bash)" for each process under procRoot that holds something at or below mountPoint,
// in pid order. Processes that cannot be read (another user's, without root) are passed over.
std::vector<std::string> ProcessesUsing(const std::filesystem::path& procRoot, const std::string& mountPoint);

// The mounts standing on a disk: on the disk itself, on one of its partitions, or on a stacked
// device (dm, md) built on them. In mount-table order.
std::vector<MountEntry> MountsOnDisk(const std::vector<SysBlockDevice>& devices,
                                     const std::vector<MountEntry>& mounts,
                                     const SysBlockDevice& disk, const std::string& devDir);

}  // namespace sw::platform::linuxos
