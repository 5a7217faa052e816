// The plan in the bytes the disk driver takes (CREATE_DISK, DRIVE_LAYOUT_INFORMATION_EX) and
// the layout it hands back, read from its bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fix/FixPlan.h"

namespace sw::fix {

using Guid = std::array<std::uint8_t, 16>;

// The identifiers the new table gets: the MBR disk signature, or the GPT disk and partition ids.
struct TableIds {
  std::uint32_t signature = 0;
  Guid diskId{};
  Guid partitionId{};
};

std::vector<std::uint8_t> CreateDiskBytes(const FixPlan& plan, const TableIds& ids);
// MBR: four entries, the first the partition and the rest empty, every one rewritten; GPT: one.
std::vector<std::uint8_t> DriveLayoutBytes(const FixPlan& plan, const TableIds& ids);

// The partitions of a layout as read back: style, and each entry that has a length.
struct ReadPartition {
  std::uint64_t startingOffset = 0;
  std::uint64_t length = 0;
  std::uint8_t mbrType = 0;
  Guid gptType{};
};
struct ReadLayout {
  std::uint32_t style = 0;
  std::vector<ReadPartition> partitions;
};
std::optional<ReadLayout> ParseDriveLayout(std::span<const std::uint8_t> bytes);

// Whether a layout read back is the plan: its style, one partition, at its offset, of its length
// and type.
bool LayoutMatches(const ReadLayout& layout, const FixPlan& plan);

std::uint8_t MbrTypeOf(FileSystem fs);
Guid GptTypeOf(FileSystem fs);

}  // namespace sw::fix
