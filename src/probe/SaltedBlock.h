// Probe blocks whose bytes a drive cannot predict: each carries its own sector number and bytes
// drawn from a per-run random seed, so no earlier run, no controller pattern and no other
// sector's block can pass for it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace sw::probe {

inline constexpr std::size_t kBlockBytes = 512;

// Fills the 512 bytes of block with the content of sector for this seed.
void FillSaltedBlock(std::uint64_t seed, std::int64_t sector, std::span<std::uint8_t> block);
// The sector whose block of this seed the 512 bytes are, or nothing when they are not one.
std::optional<std::int64_t> DecodeSaltedBlock(std::uint64_t seed, std::span<const std::uint8_t> block);

}  // namespace sw::probe
