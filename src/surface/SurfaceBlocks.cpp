// The surface test's blocks are the probe's salted blocks, all of the one step of this run.
#include "surface/SurfaceBlocks.h"

#include <algorithm>

#include "probe/SaltedBlock.h"

namespace sw::surface::detail {

namespace {
constexpr std::uint32_t kStep = 1;
constexpr std::size_t kBlock = probe::detail::kBlockBytes;
}  // namespace

void FillBlocks(std::uint64_t salt, std::int64_t first, std::int32_t count, std::uint8_t* data) {
  for (std::int32_t i = 0; i < count; ++i) {
    probe::detail::FillBlock(salt, {first + i, kStep},
                             std::span<std::uint8_t>(data + static_cast<std::size_t>(i) * kBlock, kBlock));
  }
}

SectorReading ClassifySector(std::uint64_t salt, std::span<const std::uint8_t> block,
                             std::int64_t sector, std::int64_t totalSectors) {
  const auto id = probe::detail::IdentifyBlock(salt, block, totalSectors, kStep);
  if (id) {
    if (id->sector == sector) return {SectorState::Kept, -1};
    return {SectorState::Overwritten, id->sector};
  }
  const bool uniform = std::all_of(block.begin(), block.end(), [&](std::uint8_t b) { return b == block[0]; });
  return {uniform ? SectorState::Lost : SectorState::Changed, -1};
}

}  // namespace sw::surface::detail
