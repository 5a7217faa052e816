// Salted probe blocks: sector number, seed tag and a keyed pseudo-random tail.
#include "probe/SaltedBlock.h"

#include <algorithm>
#include <array>

namespace sw::probe {
namespace {

// SplitMix64: a full-period 64-bit mixer; strong enough that a block of one sector says nothing
// about the block of another, and cheap enough to fill millions of sectors.
std::uint64_t Mix(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void Put64(std::span<std::uint8_t> out, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t Get64(std::span<const std::uint8_t> in, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[at + static_cast<std::size_t>(i)];
  return v;
}

std::uint64_t SeedTag(std::uint64_t seed) {
  std::uint64_t s = seed ^ 0x5157415244454E21ull;
  return Mix(s);
}

}  // namespace

void FillSaltedBlock(std::uint64_t seed, std::int64_t sector, std::span<std::uint8_t> block) {
  const auto number = static_cast<std::uint64_t>(sector);
  Put64(block, 0, number);
  Put64(block, 8, SeedTag(seed));
  std::uint64_t state = seed ^ (number * 0xD6E8FEB86659FD93ull);
  for (std::size_t at = 16; at + 8 <= kBlockBytes; at += 8) Put64(block, at, Mix(state));
}

std::optional<std::int64_t> DecodeSaltedBlock(std::uint64_t seed, std::span<const std::uint8_t> block) {
  if (block.size() < kBlockBytes || Get64(block, 8) != SeedTag(seed)) return std::nullopt;
  const auto sector = static_cast<std::int64_t>(Get64(block, 0));
  if (sector < 0) return std::nullopt;
  std::array<std::uint8_t, kBlockBytes> expected{};
  FillSaltedBlock(seed, sector, expected);
  if (!std::equal(expected.begin(), expected.end(), block.begin())) return std::nullopt;
  return sector;
}

}  // namespace sw::probe
