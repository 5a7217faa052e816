// Reads of a test file that must come from the device, whatever the file system does with
// O_DIRECT; and the facts about a file's volume that unbuffered transfers depend on.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace sw::platform::linuxos {

// Makes the next reads of fd reach the device: writes back what is still dirty, then drops
// the file's cached pages. Returns the trace text when the reads would otherwise have been
// served from memory (O_DIRECT refused, or taken but buffered as on ext4 with data=journal),
// empty when O_DIRECT really bypasses the cache.
std::string BypassReadCache(int fd, bool directRefused);

// A FUSE file system (fusefat, exfat-fuse, ntfs-3g) reads its block device through that
// device's own page cache, under any O_DIRECT of ours: a read-back would be served from this
// machine's memory of the writes, and a counterfeit would pass. Writes back what is dirty there
// and drops the rest, so that the next reads reach the stick. Returns the trace text, empty
// when the device could not be opened (then nothing was dropped).
std::string DropDeviceCache(const std::string& devNode);

// True when fd lies on a FUSE file system (fusefat, exfat-fuse, ntfs-3g).
bool OnFuse(int fd);

// The logical block size of the block device `device` (a disk or a partition of one), from
// sysfs under sysRoot; 0 when unknown (a FUSE or network volume has no such device).
std::uint32_t LogicalBlockSize(const std::filesystem::path& sysRoot, dev_t device);

}  // namespace sw::platform::linuxos
