// Whether an open reached the device it meant to. Between reading sysfs and opening /dev/sdb1
// a stick can be pulled and another plugged in under the same name, so what the descriptor
// (or the node) is gets compared with what the scan said.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace sw::platform::linuxos {

// "8:17" for a device number.
std::string MajMinOf(dev_t device);
// The diskseq of the disk an open block device belongs to (a partition answers its disk's);
// nothing where the kernel has none.
std::optional<std::uint64_t> DiskSeqOf(int fd);

// True when fd is the block device majMin, of the disk with diskSeq (0: the scan knew none).
bool ReachedDevice(int fd, const std::string& majMin, std::uint64_t diskSeq);
// True when the node at path is now the block device majMin.
bool NodeIsDevice(const std::string& path, const std::string& majMin);

}  // namespace sw::platform::linuxos
