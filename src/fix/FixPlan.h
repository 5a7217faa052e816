// The layout the fix writes: one partition from 1 MiB to the last MiB boundary at or below the
// real end, the table and the file system it needs, or why there is none to write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/State.h"

namespace sw::fix {

inline constexpr std::uint64_t kMiB = 1ull << 20;
inline constexpr std::uint64_t kGiB = 1ull << 30;
inline constexpr std::uint64_t kTiB = 1ull << 40;
// Above this an MBR's 32-bit sector numbers (of 512 bytes) run out: GPT takes over.
inline constexpr std::uint64_t kMbrLimit = 2 * kTiB;
// Above this FAT32 is not what Windows makes, nor what devices expect: exFAT by default.
inline constexpr std::uint64_t kFat32Limit = 32 * kGiB;
// The backup GPT at the disk's end: its header and a 16 KiB entry array.
inline constexpr std::uint64_t kGptBackupBytes = 16384;

enum class Table { Mbr, Gpt };
enum class FileSystem { Fat32, ExFat, Ntfs, Ext4 };

struct FixPlan {
  Table table = Table::Mbr;
  FileSystem fileSystem = FileSystem::Fat32;
  std::string label;
  std::uint32_t sectorBytes = 512;
  std::uint64_t firstByte = kMiB;
  std::uint64_t lengthBytes = 0;
  std::string measuredBy;  // "probe", "full", "quick", or "size"

  std::uint64_t FirstSector() const { return firstByte / sectorBytes; }
  std::uint64_t LastSector() const { return (firstByte + lengthBytes) / sectorBytes - 1; }
};

// What the plan stands on: the disk as it announces itself, the end a test of this run measured
// (nothing when none did) and the user's options.
struct PlanInput {
  std::uint64_t diskBytes = 0;
  std::uint32_t sectorBytes = 512;
  std::optional<core::MeasuredEnd> measured;
  core::FixRequest request;
};

struct PlanOutcome {
  std::optional<FixPlan> plan;
  std::string refusal;  // why there is none, for the report
};

PlanOutcome PlanFix(const PlanInput& in);

// "fat32" and so on, as options, JSON and the providers spell them; nothing for another word.
std::optional<FileSystem> FileSystemNamed(const std::string& name);
std::string FileSystemName(FileSystem fs);
// "FAT32", "exFAT", "NTFS", "ext4": as people read them.
std::string FileSystemTitle(FileSystem fs);
std::string TableName(Table table);

}  // namespace sw::fix
