// Our own FAT32, for systems whose formatter will not make one (Windows refuses over 32 GB): the
// geometry of a volume from its size and sector, and the bytes of its boot sector, FSInfo, the
// head of its FATs and its root directory.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace sw::fix {

// A volume is FAT32 by its count of clusters alone: fewer than this make it FAT16 to every reader.
inline constexpr std::uint32_t kFat32MinClusters = 65525;
// Above this the cluster numbers run into the FAT's reserved values (bad cluster, end of chain).
inline constexpr std::uint32_t kFat32MaxClusters = 0x0FFFFFF5;

inline constexpr std::uint32_t kFat32ReservedSectors = 32;
inline constexpr std::uint32_t kFat32FsInfoSector = 1;
inline constexpr std::uint32_t kFat32BackupBootSector = 6;
inline constexpr std::uint32_t kFat32RootCluster = 2;
inline constexpr std::uint32_t kFat32Fats = 2;

struct Fat32Geometry {
  std::uint32_t bytesPerSector = 512;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t reservedSectors = 0;
  std::uint32_t fatSectors = 0;     // of one FAT
  std::uint32_t totalSectors = 0;   // of the volume, in its own sectors
  std::uint32_t hiddenSectors = 0;  // before the volume on the disk: the partition's first sector
  std::uint32_t clusters = 0;       // data clusters, numbered from 2

  std::uint32_t ClusterBytes() const { return sectorsPerCluster * bytesPerSector; }
  std::uint32_t FirstFatSector() const { return reservedSectors; }
  std::uint32_t FirstDataSector() const { return reservedSectors + kFat32Fats * fatSectors; }
  // What the formatter writes, from the volume's first sector: everything before the data and
  // the root directory's cluster.
  std::uint64_t MetadataSectors() const { return std::uint64_t{FirstDataSector()} + sectorsPerCluster; }
};

// The cluster size Windows chooses for a FAT32 of this many bytes, and 32 KiB above 32 GiB
// where it will not make one; never below one sector.
std::uint32_t Fat32ClusterBytes(std::uint64_t volumeBytes, std::uint32_t bytesPerSector);

// The sectors one FAT needs so that it has an entry for every cluster left beside two FATs of
// that size, and the two reserved entries.
std::uint32_t Fat32FatSectors(std::uint64_t totalSectors, std::uint32_t reservedSectors,
                              std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector);

// The geometry of a FAT32 of lengthBytes on a disk of bytesPerSector (512 or 4096) sectors that
// starts at firstByte, with its data clusters aligned to the cluster size; or why there is none,
// in words for the report.
std::variant<Fat32Geometry, std::string> PlanFat32(std::uint64_t firstByte, std::uint64_t lengthBytes,
                                                   std::uint32_t bytesPerSector);

// The fields that are this volume's own.
struct Fat32Identity {
  std::string label;  // up to 11 characters, kept in capitals; empty for none
  std::uint32_t volumeId = 0;
  std::uint16_t dosDate = 0;  // of the label's directory entry
  std::uint16_t dosTime = 0;
};

// One sector each, bytesPerSector long.
std::vector<std::uint8_t> Fat32BootSector(const Fat32Geometry& g, const Fat32Identity& id);
std::vector<std::uint8_t> Fat32FsInfoSector(const Fat32Geometry& g);
// The FAT's first sector: the media entry, the clean-shutdown entry and the root directory's
// one-cluster chain; every other cluster free.
std::vector<std::uint8_t> Fat32FirstFatSector(const Fat32Geometry& g);
// The root directory's first sector: the volume label entry (when there is a label).
std::vector<std::uint8_t> Fat32RootSector(const Fat32Geometry& g, const Fat32Identity& id);

// Seconds from 1970-01-01 00:00:00 local time as the FAT's date and time fields (years from 1980
// to 2107, time in two-second steps); the first valid day for earlier times.
void DosDateTime(std::int64_t localSeconds, std::uint16_t& date, std::uint16_t& time);

}  // namespace sw::fix
