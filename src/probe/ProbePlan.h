// The probe's sizes for a drive of N sectors, and the write bound they add up to.
#pragma once

#include <cstdint>
#include <vector>

namespace sw::probe::detail {

// Sectors of the window at the start of the drive that the wrap search writes; the search reads
// one sector every window's length. goodEnd: the sectors found good so far (the whole drive when
// its top held its block).
std::int64_t WindowSectors(std::int64_t total, std::int64_t goodEnd);
// The most reads the wrap search spends past goodEnd, where a wrap only names the fake's kind.
inline constexpr std::int64_t kKindReads = std::int64_t{1} << 17;
// The largest cache of the last N writes the probe sizes and floods (more than F3 reports).
std::int64_t LargestFloodSectors(std::int64_t total);
// All the floods of one run together, the sizing's included: the sizing and three rounds of
// the largest, each round's band a little larger than the flood (see BoundarySearch).
inline std::int64_t FloodBudgetSectors(std::int64_t total) {
  const std::int64_t largest = LargestFloodSectors(total);
  return 4 * largest + largest / 64;
}
// The power of two that evicts a block from every direct-mapped cache up to that many slots.
std::int64_t EvictionStride(std::int64_t span);
// Probe blocks per round of the boundary search when each round floods `flood` sectors.
std::int64_t ProbesPerRound(std::int64_t flood);
// Probes for a round over `unknown` sectors when a round may place `most`: the fewest that finish
// in as few rounds as `most` would, since each round pays a flood whatever its probes.
std::int64_t BalancedProbes(std::int64_t unknown, std::int64_t most);
// The probe sectors of a round over (lo, hi): every one when k or fewer are left, else k spread
// evenly, and lo again when it is a sector. Ascending.
std::vector<std::int64_t> RoundSectors(std::int64_t lo, std::int64_t hi, std::int64_t k);
// Probes the cache sizing writes after the top once it read back (the search's first round,
// flushed by the sizing's own flood): none on a drive too small to need them.
inline std::int64_t RiderProbes(std::int64_t span) { return span >= (std::int64_t{1} << 20) ? 256 : 0; }
// Rounds the boundary search may take over `span` sectors with that many probes a round.
std::int64_t RoundLimit(std::int64_t span, std::int64_t probesPerRound);

// The first MiB, which the probe leaves alone where it can: partition table, boot sector,
// superblock.
inline constexpr std::int64_t kKeptStartSectors = 2048;
inline constexpr std::int64_t kWrapCandidates = 8;  // candidate wraps checked by writing
inline constexpr std::int64_t kSizingSteps = 64;    // writes of the cache sizing (both kinds)

}  // namespace sw::probe::detail
