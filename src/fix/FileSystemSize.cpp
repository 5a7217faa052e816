// Sizes from the on-disk headers, field by field.
#include "fix/FileSystemSize.h"

#include <algorithm>
#include <string_view>

#include "platform/ByteOrder.h"

namespace sw::fix {

namespace {

using platform::le16;
using platform::le32;
using platform::le64;

constexpr std::size_t kBootSignature = 510;
constexpr std::size_t kOemName = 3;
constexpr std::size_t kBytesPerSector = 11;
constexpr std::size_t kFatTotalSectors16 = 19;
constexpr std::size_t kFatTotalSectors32 = 32;
constexpr std::size_t kFat32TypeName = 82;
constexpr std::size_t kNtfsTotalSectors = 40;
constexpr std::size_t kExFatVolumeLength = 72;
constexpr std::size_t kExFatSectorShift = 108;
constexpr std::size_t kExt4Super = 1024;
constexpr std::size_t kExt4BlocksLow = kExt4Super + 4;
constexpr std::size_t kExt4LogBlockSize = kExt4Super + 24;
constexpr std::size_t kExt4Magic = kExt4Super + 56;
constexpr std::size_t kExt4Incompat = kExt4Super + 0x60;
constexpr std::size_t kExt4BlocksHigh = kExt4Super + 0x150;
constexpr std::uint16_t kExt4MagicValue = 0xEF53;
constexpr std::uint32_t kExt4Incompat64Bit = 0x80;

bool Holds(std::span<const std::uint8_t> b, std::size_t at, std::string_view text) {
  return b.size() >= at + text.size() && std::equal(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::optional<FoundFileSystem> ReadFileSystemSize(std::span<const std::uint8_t> head) {
  if (head.size() < kFileSystemHeadBytes) return std::nullopt;
  const bool boot = head[kBootSignature] == 0x55 && head[kBootSignature + 1] == 0xAA;
  if (boot && Holds(head, kOemName, "EXFAT   ")) {
    const std::uint8_t shift = head[kExFatSectorShift];
    if (shift < 9 || shift > 12) return std::nullopt;
    return FoundFileSystem{FileSystem::ExFat, le64(head, kExFatVolumeLength) << shift};
  }
  if (boot && Holds(head, kOemName, "NTFS    ")) {
    return FoundFileSystem{FileSystem::Ntfs, le64(head, kNtfsTotalSectors) * le16(head, kBytesPerSector)};
  }
  if (boot && Holds(head, kFat32TypeName, "FAT32   ")) {
    std::uint64_t sectors = le32(head, kFatTotalSectors32);
    if (sectors == 0) sectors = le16(head, kFatTotalSectors16);
    return FoundFileSystem{FileSystem::Fat32, sectors * le16(head, kBytesPerSector)};
  }
  if (le16(head, kExt4Magic) == kExt4MagicValue) {
    std::uint64_t blocks = le32(head, kExt4BlocksLow);
    if ((le32(head, kExt4Incompat) & kExt4Incompat64Bit) != 0) {
      blocks |= static_cast<std::uint64_t>(le32(head, kExt4BlocksHigh)) << 32;
    }
    const std::uint32_t log = le32(head, kExt4LogBlockSize);
    if (log > 6) return std::nullopt;
    return FoundFileSystem{FileSystem::Ext4, blocks * (1024ull << log)};
  }
  return std::nullopt;
}

}  // namespace sw::fix
