// The simulated drive's partition table and formatter: what the layout controls and
// FormatPartition are given is recorded for the tests, answered back by GET_DRIVE_LAYOUT_EX, and
// written to the drive's sectors (the MBR, the file system's first sectors) through its
// counterfeit behaviour, so that a fake keeps a table and a file system no better than data.
#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/sim/SimMachine.h"

namespace sw::platform::sim {
namespace {

constexpr std::size_t kMbrEntry = 446;

void WriteSector(SimDrive& drive, std::uint64_t lba, const Sector& data) {
  if (lba < drive.sectors.AnnouncedSectors()) drive.sectors.Write(lba, data.data());
}

// The MBR that the table stands for: one entry, or the protective entry of a GPT disk.
void WriteMbr(SimDrive& drive, const SimPartitionTable& t) {
  Sector mbr{};
  std::span<std::uint8_t> b(mbr);
  const bool gpt = t.style == win::PARTITION_STYLE_GPT;
  const std::uint64_t first = gpt ? 1 : t.startingOffset / kSectorSize;
  const std::uint64_t count = gpt ? drive.sectors.AnnouncedSectors() - 1 : t.length / kSectorSize;
  if (t.length > 0 || gpt) {
    b[kMbrEntry + 4] = gpt ? 0xEE : t.mbrType;
    PutLe32(b, kMbrEntry + 8, static_cast<std::uint32_t>(std::min<std::uint64_t>(first, 0xFFFFFFFFu)));
    PutLe32(b, kMbrEntry + 12, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu)));
  }
  b[510] = 0x55;
  b[511] = 0xAA;
  WriteSector(drive, 0, mbr);
}

}  // namespace

bool LayoutControl(SimDrive& drive, std::uint32_t code, std::span<const std::uint8_t> in,
                   std::span<std::uint8_t> out, std::uint32_t& bytesReturned, std::uint32_t& error) {
  bytesReturned = 0;
  switch (code) {
    case win::IOCTL_DISK_CREATE_DISK: {
      if (in.size() < win::kCreateDiskSize) return (error = win::ERROR_INVALID_PARAMETER), false;
      const std::uint32_t creates = drive.table ? drive.table->creates : 0;
      drive.table = SimPartitionTable{};
      drive.table->style = le32(in, 0);
      drive.table->creates = creates + 1;
      drive.layout.clear();
      WriteMbr(drive, *drive.table);
      return true;
    }
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX: {
      if (in.size() < win::dli::FirstEntry) return (error = win::ERROR_INVALID_PARAMETER), false;
      const std::uint32_t count = le32(in, win::dli::PartitionCount);
      if (in.size() < win::dli::FirstEntry + std::uint64_t{count} * win::pie::Size) {
        return (error = win::ERROR_INVALID_PARAMETER), false;
      }
      const std::uint32_t style = le32(in, win::dli::PartitionStyle);
      // Windows takes MBR layouts in whole sets of four entries.
      if (style == win::PARTITION_STYLE_MBR && count % 4 != 0) return (error = win::ERROR_INVALID_PARAMETER), false;
      SimPartitionTable t = drive.table.value_or(SimPartitionTable{});
      t.style = style;
      t.startingOffset = t.length = 0;
      for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t e = win::dli::FirstEntry + i * win::pie::Size;
        const std::uint64_t length = le64(in, e + win::pie::PartitionLength);
        if (length == 0) continue;
        const std::uint64_t offset = le64(in, e + win::pie::StartingOffset);
        if (offset + length > drive.config.announcedBytes) return (error = win::ERROR_INVALID_PARAMETER), false;
        if (t.length != 0) continue;
        t.startingOffset = offset;
        t.length = length;
        t.mbrType = in[e + win::pie::MbrPartitionType];
        std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(e + win::pie::GptPartitionType), 16, t.gptType.begin());
      }
      t.fileSystem.clear();
      t.label.clear();
      drive.table = t;
      drive.layout.assign(in.begin(), in.end());
      WriteMbr(drive, t);
      return true;
    }
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX: {
      std::vector<std::uint8_t> answer = drive.layout;
      if (answer.empty()) answer.assign(win::dli::FirstEntry, 0);  // no partitions
      if (out.size() < answer.size()) return (error = win::ERROR_INSUFFICIENT_BUFFER), false;
      std::memcpy(out.data(), answer.data(), answer.size());
      bytesReturned = static_cast<std::uint32_t>(answer.size());
      return true;
    }
    case win::IOCTL_DISK_UPDATE_PROPERTIES:
      return true;
    default:
      break;
  }
  error = win::ERROR_INVALID_FUNCTION;
  return false;
}

}  // namespace sw::platform::sim
