// The sizes behind the probe's cost, and its bound.
//
// Why these sizes (F3's tracker, for facts only): f3probe reports caches of 3 MB (6,144 blocks,
// AltraMayor/f3 issue 204) and is tested against one of 2^18 blocks (pull request 281); on that
// 2 TB fake it made 80,012 writes of 1.6 ms and 16,505 reads of 33 us (issue 204), so a request
// costs far more than its 512 bytes and reads are cheap beside writes. On a genuine drive
// f3probe writes min(2 GiB, half the drive). Caches of the last N writes are therefore sized here
// up to 256 MiB (never more than a sixteenth of the drive), an eighth of f3probe's genuine
// budget; direct-mapped caches are evicted by one write a block at a stride that is a multiple of
// every slot count up to 8 GiB, so they cost nothing to flood whatever their size.
#include "probe/ProbePlan.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "probe/ProbeEngine.h"

namespace sw::probe {

namespace detail {

std::int64_t WindowSectors(std::int64_t total, std::int64_t goodEnd) {
  // Writes (w, sequential, each saved and restored) against reads (goodEnd / w, one request
  // each): a quarter of the square root on a drive whose top is good, a few MB beside
  // f3probe's gigabytes there; a sixth on a fake, a quarter of the 1.7 MB f3probe writes on a
  // plain limbo fake.
  const double root = std::sqrt(static_cast<double>(std::min(goodEnd, total)));
  const double base = goodEnd >= total ? root / 4 : root / 6;
  const std::int64_t w = std::clamp<std::int64_t>(static_cast<std::int64_t>(base), 64, 65536);
  return std::min(w, goodEnd);
}

std::int64_t LargestFloodSectors(std::int64_t total) {
  return std::clamp<std::int64_t>(total / 16, 4096, std::int64_t{1} << 19);
}

std::int64_t EvictionStride(std::int64_t span) {
  const auto half = static_cast<std::uint64_t>(std::max<std::int64_t>(1, span / 2));
  return std::min<std::int64_t>(std::int64_t{1} << 24, static_cast<std::int64_t>(std::bit_floor(half)));
}

std::int64_t ProbesPerRound(std::int64_t flood) {
  // A round costs its probes, their evictions and the flood: with a flood, 64 or more probes a
  // round make few rounds; without one a round costs only its blocks, and few blocks a round
  // write least (8 a round: about 8 x log9(sectors) blocks, 80 on a 32 GB drive).
  if (flood == 0) return 8;
  return std::clamp<std::int64_t>(flood / 8, 64, 4096);
}

std::int64_t BalancedProbes(std::int64_t unknown, std::int64_t most) {
  if (unknown <= most) return std::max<std::int64_t>(unknown, 1);
  std::int64_t rounds = 0;
  for (double left = static_cast<double>(unknown) + 1; left > 1; left /= static_cast<double>(most + 1)) ++rounds;
  // Below the root (rounded either way), then up to the first that covers them.
  const auto root = static_cast<std::int64_t>(std::pow(static_cast<double>(unknown) + 1, 1.0 / static_cast<double>(rounds)));
  const auto covers = [&](std::int64_t probes) {
    double reach = 1;
    for (std::int64_t r = 0; r < rounds; ++r) reach *= static_cast<double>(probes + 1);
    return reach >= static_cast<double>(unknown) + 1;
  };
  std::int64_t k = std::max<std::int64_t>(1, root - 2);
  while (k < most && !covers(k)) ++k;
  return std::clamp<std::int64_t>(k, 1, most);
}

std::vector<std::int64_t> RoundSectors(std::int64_t lo, std::int64_t hi, std::int64_t k) {
  std::vector<std::int64_t> sectors;
  if (hi - lo - 1 <= k) {
    for (std::int64_t s = lo + 1; s < hi; ++s) sectors.push_back(s);
  } else {
    const std::int64_t width = hi - lo;
    for (std::int64_t i = 1; i <= k; ++i) {
      sectors.push_back(lo + width / (k + 1) * i + width % (k + 1) * i / (k + 1));
    }
  }
  if (lo >= 0) sectors.push_back(lo);
  std::sort(sectors.begin(), sectors.end());
  sectors.erase(std::unique(sectors.begin(), sectors.end()), sectors.end());
  return sectors;
}

std::int64_t RoundLimit(std::int64_t span, std::int64_t probesPerRound) {
  std::int64_t rounds = 0;
  for (double left = static_cast<double>(span); left > 1; left /= static_cast<double>(probesPerRound + 1)) {
    ++rounds;
  }
  // Two more for a block that passed once from a cache and is found out in a later round.
  return rounds + 2;
}

}  // namespace detail

// 33.9 MB on a 64 MiB drive, 337 MB on 1 GiB, 1.15 GB on 8 GiB and never more than 1.25 GB
// whatever the size (bench_probe prints them): below f3probe's 2 GiB on a genuine drive.
std::uint64_t ProbeWriteBoundSectors(std::int64_t totalSectors) {
  using namespace detail;
  if (totalSectors < 1) return 0;
  const std::int64_t largest = LargestFloodSectors(totalSectors);
  // Saved and restored: the window, the wrap checks (three blocks each, and the power-of-two
  // search's block written again after each of its own that failed), and for the drive and
  // then for its wrap, if one is found, the sizing, and per round the probes, their evictions
  // and a guard block. The floods are written back with what they held and never restored.
  const auto window = std::clamp<std::int64_t>(  // the larger of the two windows
      static_cast<std::int64_t>(std::sqrt(static_cast<double>(totalSectors)) / 4), 64, 65536);
  std::int64_t journaled = window + 3 * (kWrapCandidates + 1) + 1 + 4 * kWrapCandidates + 2 * kSizingSteps +
                           RiderProbes(totalSectors);
  std::int64_t worstRounds = 0;
  for (std::int64_t flood = 0; flood <= largest; flood = flood == 0 ? 64 : flood * 2) {
    const std::int64_t k = ProbesPerRound(flood);
    worstRounds = std::max(worstRounds, RoundLimit(totalSectors, k) * (2 * (k + 2) + 1));
  }
  // The rounds' blocks are saved and restored, and a second search may follow inside a wrap.
  return static_cast<std::uint64_t>(2 * journaled + 4 * worstRounds + FloodBudgetSectors(totalSectors));
}

}  // namespace sw::probe
