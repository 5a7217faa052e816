// Salted blocks: a header with the sector and the step, then bytes of a generator keyed by the
// salt, the sector and the step.
#include "probe/SaltedBlock.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace sw::probe::detail {

namespace {

constexpr std::size_t kHeaderBytes = 16;  // sector (8), step (4), its complement (4)

std::uint64_t Mix(std::uint64_t& state) {
  // splitmix64: every state gives a different, well-spread word.
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void PutLe(std::uint8_t* at, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetLe(const std::uint8_t* at, std::size_t bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
  return value;
}

}  // namespace

void FillBlock(std::uint64_t salt, BlockId id, std::span<std::uint8_t> block) {
  std::uint8_t* b = block.data();
  PutLe(b, static_cast<std::uint64_t>(id.sector), 8);
  PutLe(b + 8, id.generation, 4);
  PutLe(b + 12, ~id.generation, 4);
  std::uint64_t state = salt ^ (static_cast<std::uint64_t>(id.sector) * 0xD6E8FEB86659FD93ull) ^
                        (static_cast<std::uint64_t>(id.generation) << 40);
  for (std::size_t at = kHeaderBytes; at < kBlockBytes; at += 8) PutLe(b + at, Mix(state), 8);
}

std::optional<BlockId> IdentifyBlock(std::uint64_t salt, std::span<const std::uint8_t> block,
                                     std::int64_t totalSectors, std::uint32_t lastGeneration) {
  if (block.size() < kBlockBytes) return std::nullopt;
  const std::uint8_t* b = block.data();
  const auto sector = static_cast<std::int64_t>(GetLe(b, 8));
  const auto generation = static_cast<std::uint32_t>(GetLe(b + 8, 4));
  if (static_cast<std::uint32_t>(GetLe(b + 12, 4)) != ~generation) return std::nullopt;
  if (sector < 0 || sector >= totalSectors || generation == 0 || generation > lastGeneration) {
    return std::nullopt;
  }
  std::array<std::uint8_t, kBlockBytes> expected{};
  const BlockId id{sector, generation};
  FillBlock(salt, id, expected);
  if (!std::equal(expected.begin(), expected.end(), b)) return std::nullopt;
  return id;
}

}  // namespace sw::probe::detail
