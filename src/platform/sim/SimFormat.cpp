// The simulated formatter: the fields of each file system's header that tell its size, written
// where the real formatter puts them, and what it was asked recorded for the tests.
#include <algorithm>

#include "platform/ByteOrder.h"
#include "platform/sim/SimMachine.h"

namespace sw::platform::sim {
namespace {

constexpr std::size_t kLabelAt = 71;  // FAT32 BS_VolLab
constexpr std::size_t kLabelSize = 11;

void Put(std::span<std::uint8_t> b, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// The first 4 KiB of the new file system (the boot sector, the ext4 superblock at 1 KiB).
std::vector<std::uint8_t> Header(const std::string& fs, const std::string& label, std::uint64_t length,
                                 std::uint32_t sectorBytes) {
  std::vector<std::uint8_t> h(4096, 0);
  std::span<std::uint8_t> b(h);
  const bool boot = fs != "ext4";
  if (boot) {
    b[510] = 0x55;
    b[511] = 0xAA;
  }
  if (fs == "fat32") {
    Put(b, 3, "MSWIN4.1");
    PutLe16(b, 11, static_cast<std::uint16_t>(sectorBytes));
    PutLe32(b, 32, static_cast<std::uint32_t>(length / sectorBytes));
    std::string padded = label.substr(0, kLabelSize);
    padded.resize(kLabelSize, ' ');
    Put(b, kLabelAt, padded);
    Put(b, 82, "FAT32   ");
  } else if (fs == "exfat") {
    Put(b, 3, "EXFAT   ");
    PutLe64(b, 72, length / sectorBytes);
    b[108] = sectorBytes == 4096 ? 12 : 9;
  } else if (fs == "ntfs") {
    Put(b, 3, "NTFS    ");
    PutLe16(b, 11, static_cast<std::uint16_t>(sectorBytes));
    PutLe64(b, 40, length / sectorBytes - 1);
  } else {
    PutLe32(b, 1024 + 4, static_cast<std::uint32_t>(length / 4096));
    PutLe32(b, 1024 + 24, 2);  // 4 KiB blocks
    PutLe16(b, 1024 + 56, 0xEF53);
  }
  return h;
}

}  // namespace

std::string SimOs::FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                                   const std::string& label) {
  const auto found = impl_->drives.find(diskNumber);
  if (found == impl_->drives.end() || found->second->removed) return "the drive is not connected";
  SimDrive& drive = *found->second;
  if (!drive.formatFailure.empty()) return drive.formatFailure;
  if (partition != 1 || !drive.table || drive.table->length == 0) return "the drive has no such partition";
  if (fileSystem != "fat32" && fileSystem != "exfat" && fileSystem != "ntfs" && fileSystem != "ext4") {
    return "unknown file system " + fileSystem;
  }
  SimPartitionTable& t = *drive.table;
  const std::uint32_t sectorBytes = std::max<std::uint32_t>(drive.config.blockLength, kSectorSize);
  const std::vector<std::uint8_t> header = Header(fileSystem, label, t.length, sectorBytes);
  const std::uint64_t first = t.startingOffset / kSectorSize;
  const std::uint64_t last = (t.startingOffset + t.length) / kSectorSize - 1;
  for (std::size_t i = 0; i < header.size() / kSectorSize; ++i) {
    drive.sectors.Write(first + i, header.data() + i * kSectorSize);
  }
  // NTFS keeps a copy of its boot sector in the partition's last sector; mke2fs clears the end.
  if (fileSystem == "ntfs") drive.sectors.Write(last, header.data());
  if (fileSystem == "ext4") {
    const Sector zeros{};
    drive.sectors.Write(last, zeros.data());
  }
  t.fileSystem = fileSystem;
  t.label = label;
  // The drive's first volume is the new file system from now on, with its label.
  if (!drive.volumes.empty()) drive.volumes.front().config.label = label;
  if (impl_->afterLayoutChange) impl_->afterLayoutChange();
  return {};
}

bool SimOs::FormatsFat32(std::uint64_t partitionBytes) { return partitionBytes <= kWindowsFat32Limit; }

std::optional<SimPartitionTable> SimOs::PartitionTable(int drive) const {
  const auto found = impl_->drives.find(drive);
  if (found == impl_->drives.end()) return std::nullopt;
  return found->second->table;
}

void SimOs::FailFormat(int drive, std::string words) {
  const auto found = impl_->drives.find(drive);
  if (found != impl_->drives.end()) found->second->formatFailure = std::move(words);
}

}  // namespace sw::platform::sim
