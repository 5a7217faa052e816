// The partition-table controls on Linux, through libfdisk on the disk's own open descriptor:
// CREATE_DISK writes an empty table, SET_DRIVE_LAYOUT_EX a new one with the given entries,
// GET_DRIVE_LAYOUT_EX reads the table back in Windows' bytes, UPDATE_PROPERTIES has the kernel
// read it again (BLKRRPART).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sw::platform::linuxos {

// Each returns 0 or the errno of the failure; `out` and `returned` as for DeviceIoControl.
int CreateEmptyLabel(int fd, const std::string& node, std::span<const std::uint8_t> in);
int WriteLayout(int fd, const std::string& node, std::span<const std::uint8_t> in);
int ReadLayout(int fd, const std::string& node, std::span<std::uint8_t> out, std::uint32_t& returned);
// exclusiveFd: the disk's own (exclusive) open, which the kernel lets re-read the table.
int RereadPartitions(int exclusiveFd, int fd, const std::string& node);

// Adds each partition of the table to the kernel's view (BLKPG), as partx does.
int TellPartitionsToKernel(int fd, const std::string& node);

// "/dev/sdb" + 1 -> "/dev/sdb1"; "/dev/loop3" + 1 -> "/dev/loop3p1".
std::string PartitionNode(const std::string& disk, std::uint32_t partition);

// Runs the mkfs tool of a file system on a partition node: empty when it succeeded, else why
// (a missing tool named with its package, or the tool's last words).
std::string MakeFileSystem(const std::string& node, const std::string& fileSystem, const std::string& label);

}  // namespace sw::platform::linuxos
