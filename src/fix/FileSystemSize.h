// The new file system's own view of its size, read from its first sectors: the FAT32, exFAT and
// NTFS boot sectors, the ext4 superblock.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "fix/FixPlan.h"

namespace sw::fix {

// The bytes needed from the partition's start: the boot sector and the ext4 superblock at 1 KiB.
inline constexpr std::uint32_t kFileSystemHeadBytes = 4096;

struct FoundFileSystem {
  FileSystem fileSystem = FileSystem::Fat32;
  std::uint64_t bytes = 0;
};

// Nothing when the bytes hold none of the four.
std::optional<FoundFileSystem> ReadFileSystemSize(std::span<const std::uint8_t> head);

}  // namespace sw::fix
