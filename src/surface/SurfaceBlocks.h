// What a sector of the full-surface test reads back as: its own block, a fill (all of its bytes
// the same: zeros, ones), another sector's block of this run, or anything else.
#pragma once

#include <cstdint>
#include <span>

#include "surface/SurfaceEngine.h"

namespace sw::surface::detail {

struct SectorReading {
  SectorState state = SectorState::Kept;
  std::int64_t from = -1;  // Overwritten: the sector whose block it holds
};

// Fills count sectors from `first` with this run's blocks.
void FillBlocks(std::uint64_t salt, std::int64_t first, std::int32_t count, std::uint8_t* data);

SectorReading ClassifySector(std::uint64_t salt, std::span<const std::uint8_t> block,
                             std::int64_t sector, std::int64_t totalSectors);

}  // namespace sw::surface::detail
