// The bytes of the layout controls, field by field at the offsets WinApi.h gives.
#include "fix/DriveLayout.h"

#include <algorithm>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace sw::fix {

namespace {

using platform::le32;
using platform::le64;
using platform::PutLe32;
using platform::PutLe64;

// Basic data (Windows' FAT, exFAT and NTFS) and Linux file system partitions, in the GUID's
// stored byte order.
constexpr Guid kBasicData = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                             0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
constexpr Guid kLinuxData = {0xAF, 0x3D, 0xC6, 0x0F, 0x83, 0x84, 0x72, 0x47,
                             0x8E, 0x79, 0x3D, 0x69, 0xD8, 0x47, 0x7D, 0xE4};
constexpr std::uint32_t kMbrEntries = 4;
constexpr std::uint32_t kGptMaxPartitions = 128;

void PutGuid(std::span<std::uint8_t> b, std::size_t at, const Guid& g) { std::copy(g.begin(), g.end(), b.begin() + at); }

}  // namespace

std::uint8_t MbrTypeOf(FileSystem fs) {
  if (fs == FileSystem::Fat32) return win::PARTITION_FAT32_XINT13;
  return fs == FileSystem::Ext4 ? win::PARTITION_LINUX : win::PARTITION_IFS;
}

Guid GptTypeOf(FileSystem fs) { return fs == FileSystem::Ext4 ? kLinuxData : kBasicData; }

std::vector<std::uint8_t> CreateDiskBytes(const FixPlan& plan, const TableIds& ids) {
  std::vector<std::uint8_t> b(win::kCreateDiskSize, 0);
  if (plan.table == Table::Mbr) {
    PutLe32(b, 0, win::PARTITION_STYLE_MBR);
    PutLe32(b, win::kCreateDiskMbrSignature, ids.signature);
  } else {
    PutLe32(b, 0, win::PARTITION_STYLE_GPT);
    PutGuid(b, win::kCreateDiskGptDiskId, ids.diskId);
    PutLe32(b, win::kCreateDiskGptMaxPartitions, kGptMaxPartitions);
  }
  return b;
}

std::vector<std::uint8_t> DriveLayoutBytes(const FixPlan& plan, const TableIds& ids) {
  const bool mbr = plan.table == Table::Mbr;
  const std::uint32_t entries = mbr ? kMbrEntries : 1;
  std::vector<std::uint8_t> b(win::dli::FirstEntry + entries * win::pie::Size, 0);
  PutLe32(b, win::dli::PartitionStyle, mbr ? win::PARTITION_STYLE_MBR : win::PARTITION_STYLE_GPT);
  PutLe32(b, win::dli::PartitionCount, entries);
  if (mbr) {
    PutLe32(b, win::dli::MbrSignature, ids.signature);
  } else {
    PutGuid(b, win::dli::GptDiskId, ids.diskId);
    PutLe64(b, win::dli::GptStartingUsableOffset, kMiB);
    PutLe64(b, win::dli::GptUsableLength, plan.lengthBytes);
    PutLe32(b, win::dli::GptMaxPartitionCount, kGptMaxPartitions);
  }
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t e = win::dli::FirstEntry + i * win::pie::Size;
    PutLe32(b, e + win::pie::PartitionStyle, mbr ? win::PARTITION_STYLE_MBR : win::PARTITION_STYLE_GPT);
    b[e + win::pie::RewritePartition] = 1;
    if (i > 0) continue;
    PutLe64(b, e + win::pie::StartingOffset, plan.firstByte);
    PutLe64(b, e + win::pie::PartitionLength, plan.lengthBytes);
    PutLe32(b, e + win::pie::PartitionNumber, 1);
    if (mbr) {
      b[e + win::pie::MbrPartitionType] = MbrTypeOf(plan.fileSystem);
      b[e + win::pie::MbrRecognizedPartition] = 1;
      PutLe32(b, e + win::pie::MbrHiddenSectors, static_cast<std::uint32_t>(plan.FirstSector()));
    } else {
      PutGuid(b, e + win::pie::GptPartitionType, GptTypeOf(plan.fileSystem));
      PutGuid(b, e + win::pie::GptPartitionId, ids.partitionId);
    }
  }
  return b;
}

std::optional<ReadLayout> ParseDriveLayout(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < win::dli::FirstEntry) return std::nullopt;
  ReadLayout layout;
  layout.style = le32(bytes, win::dli::PartitionStyle);
  const std::uint32_t count = le32(bytes, win::dli::PartitionCount);
  if (bytes.size() < win::dli::FirstEntry + std::uint64_t{count} * win::pie::Size) return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = win::dli::FirstEntry + i * win::pie::Size;
    ReadPartition p;
    p.startingOffset = le64(bytes, e + win::pie::StartingOffset);
    p.length = le64(bytes, e + win::pie::PartitionLength);
    if (p.length == 0) continue;
    if (layout.style == win::PARTITION_STYLE_MBR) {
      p.mbrType = bytes[e + win::pie::MbrPartitionType];
    } else {
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(e + win::pie::GptPartitionType), 16, p.gptType.begin());
    }
    layout.partitions.push_back(p);
  }
  return layout;
}

bool LayoutMatches(const ReadLayout& layout, const FixPlan& plan) {
  const bool mbr = plan.table == Table::Mbr;
  if (layout.style != (mbr ? win::PARTITION_STYLE_MBR : win::PARTITION_STYLE_GPT)) return false;
  if (layout.partitions.size() != 1) return false;
  const ReadPartition& p = layout.partitions.front();
  if (p.startingOffset != plan.firstByte || p.length != plan.lengthBytes) return false;
  return mbr ? p.mbrType == MbrTypeOf(plan.fileSystem) : p.gptType == GptTypeOf(plan.fileSystem);
}

}  // namespace sw::fix
