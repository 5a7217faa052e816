// The probe's blocks: each names its own sector and the step of the run that wrote it, and its
// other bytes come from this run's salt, so no drive can hold or invent one before the run.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace sw::probe::detail {

inline constexpr std::size_t kBlockBytes = 512;

struct BlockId {
  std::int64_t sector = -1;
  std::uint32_t generation = 0;
  bool operator==(const BlockId&) const = default;
};

// Fills 512 bytes with the block of `sector` written at step `generation`.
void FillBlock(std::uint64_t salt, BlockId id, std::span<std::uint8_t> block);

// The block these 512 bytes are, when every byte is what FillBlock gives for the sector and step
// they claim (a sector below totalSectors, a step not after lastGeneration); nothing otherwise.
std::optional<BlockId> IdentifyBlock(std::uint64_t salt, std::span<const std::uint8_t> block,
                                     std::int64_t totalSectors, std::uint32_t lastGeneration);

}  // namespace sw::probe::detail
