// FAT32 geometry and header bytes, from the public FAT32 on-disk format.
#include "fix/Fat32Layout.h"

#include <algorithm>
#include <cctype>
#include <span>

#include "drives/TextFormat.h"
#include "platform/ByteOrder.h"

namespace sw::fix {

namespace {

using platform::PutLe16;
using platform::PutLe32;

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiBytes = kKiB * 1024;
constexpr std::uint64_t kGiBytes = kMiBytes * 1024;
constexpr std::uint32_t kLargestCluster = 64 * 1024;
constexpr std::uint8_t kMedia = 0xF8;  // a fixed disk, as for every partitioned volume
constexpr std::uint32_t kEndOfChain = 0x0FFFFFFF;
constexpr std::size_t kLabelBytes = 11;
constexpr std::uint8_t kVolumeLabelAttribute = 0x08;

// Boot sector fields.
constexpr std::size_t kOemName = 3;
constexpr std::size_t kBytesPerSector = 11;
constexpr std::size_t kSectorsPerCluster = 13;
constexpr std::size_t kReserved = 14;
constexpr std::size_t kFatCount = 16;
constexpr std::size_t kMediaByte = 21;
constexpr std::size_t kSectorsPerTrack = 24;
constexpr std::size_t kHeads = 26;
constexpr std::size_t kHidden = 28;
constexpr std::size_t kTotal32 = 32;
constexpr std::size_t kFatSize32 = 36;
constexpr std::size_t kRootCluster = 44;
constexpr std::size_t kFsInfo = 48;
constexpr std::size_t kBackupBoot = 50;
constexpr std::size_t kDriveNumber = 64;
constexpr std::size_t kExtendedSignature = 66;
constexpr std::size_t kVolumeId = 67;
constexpr std::size_t kVolumeLabel = 71;
constexpr std::size_t kTypeName = 82;
constexpr std::size_t kBootCode = 90;
constexpr std::size_t kSignature = 510;

// FSInfo fields.
constexpr std::size_t kLeadSignature = 0;
constexpr std::size_t kStructSignature = 484;
constexpr std::size_t kFreeCount = 488;
constexpr std::size_t kNextFree = 492;
constexpr std::size_t kTrailSignature = 508;

void Put(std::span<std::uint8_t> b, std::size_t at, const std::string& text) {
  std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// Eleven characters, blank-padded, in capitals; "NO NAME" in the boot sector when there is none.
std::string LabelField(const std::string& label) {
  std::string field = label.empty() ? std::string("NO NAME") : label.substr(0, kLabelBytes);
  for (char& c : field) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  field.resize(kLabelBytes, ' ');
  return field;
}

std::string Thousands(std::uint64_t n) {
  return drives::FormatDecimals(static_cast<double>(n), "###,###,###,###,###0");
}

}  // namespace

std::uint32_t Fat32ClusterBytes(std::uint64_t volumeBytes, std::uint32_t bytesPerSector) {
  std::uint64_t cluster = 32 * kKiB;
  if (volumeBytes <= 64 * kMiBytes) {
    cluster = 512;
  } else if (volumeBytes <= 128 * kMiBytes) {
    cluster = kKiB;
  } else if (volumeBytes <= 256 * kMiBytes) {
    cluster = 2 * kKiB;
  } else if (volumeBytes <= 8 * kGiBytes) {
    cluster = 4 * kKiB;
  } else if (volumeBytes <= 16 * kGiBytes) {
    cluster = 8 * kKiB;
  } else if (volumeBytes <= 32 * kGiBytes) {
    cluster = 16 * kKiB;
  }
  return static_cast<std::uint32_t>(std::max<std::uint64_t>(cluster, bytesPerSector));
}

std::uint32_t Fat32FatSectors(std::uint64_t totalSectors, std::uint32_t reservedSectors,
                              std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector) {
  // Each FAT sector holds bytesPerSector / 4 entries, each entry stands for a cluster of
  // sectorsPerCluster sectors, and every FAT sector taken is one sector less of data for each
  // FAT. Counting the two reserved entries as two clusters more of data keeps the result large
  // enough whatever the rounding of the clusters.
  const std::uint64_t entries = bytesPerSector / 4;
  const std::uint64_t need = totalSectors - reservedSectors + 2ull * sectorsPerCluster;
  const std::uint64_t per = entries * sectorsPerCluster + kFat32Fats;
  return static_cast<std::uint32_t>((need + per - 1) / per);
}

std::variant<Fat32Geometry, std::string> PlanFat32(std::uint64_t firstByte, std::uint64_t lengthBytes,
                                                   std::uint32_t bytesPerSector) {
  if (bytesPerSector != 512 && bytesPerSector != 4096) {
    return "FAT32 is made here on sectors of 512 or 4,096 bytes, not " + std::to_string(bytesPerSector);
  }
  if (firstByte % bytesPerSector != 0 || lengthBytes % bytesPerSector != 0) {
    return std::string("the partition is not made of whole sectors");
  }
  const std::uint64_t total = lengthBytes / bytesPerSector;
  const std::uint64_t hidden = firstByte / bytesPerSector;
  if (total > 0xFFFFFFFFull || hidden > 0xFFFFFFFFull) {
    return "FAT32 counts at most 4,294,967,295 sectors of " + Thousands(bytesPerSector) + " bytes (" +
           Thousands((0xFFFFFFFFull * bytesPerSector) >> 30) + " GiB): choose exFAT or NTFS";
  }
  Fat32Geometry g;
  g.bytesPerSector = bytesPerSector;
  g.totalSectors = static_cast<std::uint32_t>(total);
  g.hiddenSectors = static_cast<std::uint32_t>(hidden);
  std::uint32_t cluster = Fat32ClusterBytes(lengthBytes, bytesPerSector);
  for (;;) {
    g.sectorsPerCluster = cluster / bytesPerSector;
    g.fatSectors = Fat32FatSectors(total, kFat32ReservedSectors, g.sectorsPerCluster, bytesPerSector);
    // The first cluster starts on a cluster boundary of the disk: flash erases and writes in
    // blocks, and a cluster across two of them costs two. The reserved area takes the slack;
    // its FATs, sized for the smaller one, stay large enough.
    const std::uint64_t dataStart = hidden + kFat32ReservedSectors + kFat32Fats * std::uint64_t{g.fatSectors};
    const auto pad = static_cast<std::uint32_t>((g.sectorsPerCluster - dataStart % g.sectorsPerCluster) % g.sectorsPerCluster);
    g.reservedSectors = kFat32ReservedSectors + pad;
    const std::uint64_t data = total > g.FirstDataSector() ? total - g.FirstDataSector() : 0;
    const std::uint64_t clusters = data / g.sectorsPerCluster;
    if (clusters < kFat32MinClusters) {
      if (cluster > bytesPerSector) {
        cluster /= 2;
        continue;
      }
      return "a FAT32 needs at least " + Thousands(kFat32MinClusters) + " clusters, more than " +
             Thousands(lengthBytes >> 20) + " MiB on " + Thousands(bytesPerSector) +
             "-byte sectors hold: choose exFAT";
    }
    if (clusters > kFat32MaxClusters) {
      if (cluster < kLargestCluster) {
        cluster *= 2;
        continue;
      }
      return std::string("the partition is too large for FAT32: choose exFAT or NTFS");
    }
    g.clusters = static_cast<std::uint32_t>(clusters);
    return g;
  }
}

std::vector<std::uint8_t> Fat32BootSector(const Fat32Geometry& g, const Fat32Identity& id) {
  std::vector<std::uint8_t> s(g.bytesPerSector, 0);
  std::span<std::uint8_t> b(s);
  b[0] = 0xEB;  // a short jump over the parameters to the boot code
  b[1] = static_cast<std::uint8_t>(kBootCode - 2);
  b[2] = 0x90;
  Put(b, kOemName, "MSWIN4.1");
  PutLe16(b, kBytesPerSector, static_cast<std::uint16_t>(g.bytesPerSector));
  b[kSectorsPerCluster] = static_cast<std::uint8_t>(g.sectorsPerCluster);
  PutLe16(b, kReserved, static_cast<std::uint16_t>(g.reservedSectors));
  b[kFatCount] = kFat32Fats;
  // The root entry count, the 16-bit sector count and the 16-bit FAT size stay zero on FAT32.
  b[kMediaByte] = kMedia;
  PutLe16(b, kSectorsPerTrack, 63);
  PutLe16(b, kHeads, 255);
  PutLe32(b, kHidden, g.hiddenSectors);
  PutLe32(b, kTotal32, g.totalSectors);
  PutLe32(b, kFatSize32, g.fatSectors);
  // Flags 0 (both FATs kept alike) and version 0.0 stay zero.
  PutLe32(b, kRootCluster, kFat32RootCluster);
  PutLe16(b, kFsInfo, kFat32FsInfoSector);
  PutLe16(b, kBackupBoot, kFat32BackupBootSector);
  b[kDriveNumber] = 0x80;
  b[kExtendedSignature] = 0x29;
  PutLe32(b, kVolumeId, id.volumeId);
  Put(b, kVolumeLabel, LabelField(id.label));
  Put(b, kTypeName, "FAT32   ");
  // Not a system disk: hand the start back to the firmware (int 18h) and halt if it returns.
  const std::uint8_t code[] = {0xCD, 0x18, 0xF4, 0xEB, 0xFD};
  std::copy(std::begin(code), std::end(code), b.begin() + kBootCode);
  b[kSignature] = 0x55;
  b[kSignature + 1] = 0xAA;
  return s;
}

std::vector<std::uint8_t> Fat32FsInfoSector(const Fat32Geometry& g) {
  std::vector<std::uint8_t> s(g.bytesPerSector, 0);
  std::span<std::uint8_t> b(s);
  PutLe32(b, kLeadSignature, 0x41615252);
  PutLe32(b, kStructSignature, 0x61417272);
  // Every cluster is free but the root directory's, and the next one after it is the first free.
  PutLe32(b, kFreeCount, g.clusters - 1);
  PutLe32(b, kNextFree, kFat32RootCluster + 1);
  PutLe32(b, kTrailSignature, 0xAA550000);
  return s;
}

std::vector<std::uint8_t> Fat32FirstFatSector(const Fat32Geometry& g) {
  std::vector<std::uint8_t> s(g.bytesPerSector, 0);
  std::span<std::uint8_t> b(s);
  PutLe32(b, 0, 0x0FFFFF00u | kMedia);
  // All high bits set: the volume was cleanly dismounted and no error was seen.
  PutLe32(b, 4, kEndOfChain);
  PutLe32(b, 4 * kFat32RootCluster, kEndOfChain);
  return s;
}

std::vector<std::uint8_t> Fat32RootSector(const Fat32Geometry& g, const Fat32Identity& id) {
  std::vector<std::uint8_t> s(g.bytesPerSector, 0);
  if (id.label.empty()) return s;
  std::span<std::uint8_t> b(s);
  Put(b, 0, LabelField(id.label));
  b[11] = kVolumeLabelAttribute;
  PutLe16(b, 22, id.dosTime);
  PutLe16(b, 24, id.dosDate);
  return s;
}

void DosDateTime(std::int64_t localSeconds, std::uint16_t& date, std::uint16_t& time) {
  std::int64_t days = localSeconds / 86400;
  std::int64_t secs = localSeconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  // Days from 1970-01-01 to the civil date, by 400-year eras from 0000-03-01.
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 1980) {
    date = (1 << 5) | 1;
    time = 0;
    return;
  }
  if (year > 2107) {
    date = static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31);
    time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);
    return;
  }
  date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  time = static_cast<std::uint16_t>(((secs / 3600) << 11) | (((secs / 60) % 60) << 5) | ((secs % 60) / 2));
}

}  // namespace sw::fix
