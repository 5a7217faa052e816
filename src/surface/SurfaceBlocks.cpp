// The surface test's blocks are the probe's salted blocks, all of the one step of this run, made
// here word by word side by side (each word of the generator is a function of its index alone),
// about four times as fast as one after the other: at the speed of a fast drive, making and
// checking them must not be what the test waits for.
#include "surface/SurfaceBlocks.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "probe/SaltedBlock.h"

namespace sw::surface::detail {

namespace {
constexpr std::uint32_t kStep = 1;
constexpr std::size_t kBlock = probe::detail::kBlockBytes;
constexpr std::size_t kHeader = 16;
constexpr std::size_t kWords = (kBlock - kHeader) / 8;

// The probe's block of `sector` at step kStep: the sector, the step and its complement, then
// splitmix64 words from the block's own start, all little-endian.
void MakeBlock(std::uint64_t salt, std::int64_t sector, std::uint8_t* block) {
  if constexpr (std::endian::native != std::endian::little) {
    probe::detail::FillBlock(salt, {sector, kStep}, std::span<std::uint8_t>(block, kBlock));
  } else {
    const auto s = static_cast<std::uint64_t>(sector);
    const std::uint32_t step[2] = {kStep, ~kStep};
    std::memcpy(block, &s, 8);
    std::memcpy(block + 8, step, 8);
    const std::uint64_t start = salt ^ (s * 0xD6E8FEB86659FD93ull) ^ (std::uint64_t{kStep} << 40);
    std::uint64_t words[kWords];
    for (std::size_t i = 0; i < kWords; ++i) {
      std::uint64_t z = start + (i + 1) * 0x9E3779B97F4A7C15ull;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      words[i] = z ^ (z >> 31);
    }
    std::memcpy(block + kHeader, words, sizeof words);
  }
}

}  // namespace

void FillBlocks(std::uint64_t salt, std::int64_t first, std::int32_t count, std::uint8_t* data) {
  for (std::int32_t i = 0; i < count; ++i) MakeBlock(salt, first + i, data + static_cast<std::size_t>(i) * kBlock);
}

SectorReading ClassifySector(std::uint64_t salt, std::span<const std::uint8_t> block,
                             std::int64_t sector, std::int64_t totalSectors) {
  // Most sectors of most drives kept their own block: that is told by one block made and compared.
  std::uint8_t own[kBlock];
  MakeBlock(salt, sector, own);
  if (block.size() >= kBlock && std::memcmp(own, block.data(), kBlock) == 0) return {SectorState::Kept, -1};
  const auto id = probe::detail::IdentifyBlock(salt, block, totalSectors, kStep);
  if (id) {
    if (id->sector == sector) return {SectorState::Kept, -1};
    return {SectorState::Overwritten, id->sector};
  }
  const bool uniform = std::all_of(block.begin(), block.end(), [&](std::uint8_t b) { return b == block[0]; });
  return {uniform ? SectorState::Lost : SectorState::Changed, -1};
}

}  // namespace sw::surface::detail
