// The boundary search, a round at a time.
//
// Each round writes up to k blocks spread over the uncertain interval (lo, hi) (lo proven good,
// hi proven bad) and the last proven good sector again, defeats the cache once, then reads the
// blocks back in random order. A block that reads back wrong proves its sector bad whatever a
// cache does (a cache only ever makes a lost block look kept), so the lowest wrong one is the
// new hi and the highest right one below it the new lo. One round shrinks the interval k + 1
// times: where a cache must be flooded, k is 64 or more, so a terabyte takes five rounds of 64
// blocks and the flood is paid five times, not once per block as a bisection would pay it;
// where none must be, a round costs only its blocks and 8 a round write the fewest.
//
// The cache is defeated as the sizing found it: a direct-mapped one by one write per block at
// the eviction stride, a cache of the last writes by a flood a little larger than it in one of
// two bands just below the top, which the first round proves bad (their lowest sector is one of
// the round's blocks). The last
// write of a round is always a fresh block at the top: a drive that answers lost sectors with
// the last block written then answers with that one, never with a probe's own block.
#include "probe/BoundarySearch.h"

#include <algorithm>
#include <map>
#include <vector>

#include "probe/ProbePlan.h"
#include "probe/ProbeTexts.h"

namespace sw::probe::detail {

namespace {

std::vector<std::int64_t> RoundSectors(std::int64_t lo, std::int64_t hi, std::int64_t k,
                                       std::int64_t alsoProbe) {
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
  if (alsoProbe > lo && alsoProbe < hi) sectors.push_back(alsoProbe);
  std::sort(sectors.begin(), sectors.end());
  sectors.erase(std::unique(sectors.begin(), sectors.end()), sectors.end());
  return sectors;
}

// A sector at a multiple of the stride from p, which no probe of the round shares a place with.
std::int64_t EvictionFor(const ProbeRun& run, std::int64_t p, std::int64_t stride, std::int64_t wrap,
                         const std::unordered_set<std::int64_t>& probes) {
  for (const std::int64_t step : {stride, -stride, 2 * stride, -2 * stride, 3 * stride, -3 * stride}) {
    const std::int64_t e = p + step;
    if (e < 0 || e >= run.total || probes.count(e) != 0) continue;
    if (wrap > 0 && (step % wrap == 0 || probes.count(e % wrap) != 0)) continue;
    return e;
  }
  return -1;
}

// Where the rounds flood a cache of the last `flood` writes: two bands of `size` sectors just
// below the top, [top - 2 size, top - size) and [top - size, top).
//
// A cache may keep a sector that is written again in the place it took when it came in (a FIFO):
// such a write evicts nothing. A flood over the very sectors the cache holds then pushes out far
// fewer than its length, and the probes written before it stay readable though lost. So each
// round floods the band the cache holds least of: round 0 the low band (the sizing flooded the
// top's sectors, in the high one), then the other band in turn. A flood that writes more sectors
// than the cache holds leaves in it only what it wrote; the next band, disjoint from it, then
// evicts one entry per sector. The sizing saw the top evicted by `flood` writes and one eviction
// write at most, so `flood + 1` such writes clear it; the band is larger by the probes a round
// may place in it (never written by its flood): round 0's, spread evenly over the whole span.
struct FloodBands {
  bool two = false;
  std::int64_t size = 0;     // sectors of one band
  std::int64_t lowest = -1;  // the low band's first sector, probed in round 0; -1: no flood
  std::int64_t single = -1;  // the sizing's own band, flooded where the two do not fit
};

FloodBands BandsBelow(std::int64_t top, std::int64_t flood, std::int64_t probesPerRound) {
  FloodBands b;
  if (flood <= 0) return b;
  const std::int64_t spread = (flood + 1) * (probesPerRound + 1) / (top + 1) + 1;
  b.size = flood + 1 + 2 * spread + 4;
  b.single = std::max<std::int64_t>(0, top - flood);
  b.two = top - 2 * b.size >= 0;
  b.lowest = b.two ? top - 2 * b.size : b.single;
  return b;
}

}  // namespace

Boundary SearchBoundary(ProbeRun& run, const TopFinding& top, std::int64_t wrap) {
  Boundary b;
  std::int64_t lo = -1;
  std::int64_t hi = top.sector;
  bool hiIoError = top.state == TopState::Unreadable || top.state == TopState::Unwritable;
  const std::int64_t flood = top.floodSectors;
  const std::int64_t k = ProbesPerRound(flood);
  const FloodBands bands = BandsBelow(top.sector, flood, k);
  const std::int64_t limit = RoundLimit(top.sector + 1, k);

  for (std::int64_t round = 0; hi - lo > 1 && round < limit && !run.io.Stopped(); ++round) {
    run.io.Progress(text::kPhaseSearch, static_cast<std::uint64_t>(round), static_cast<std::uint64_t>(limit));
    std::vector<std::int64_t> probes = RoundSectors(lo, hi, k, round == 0 ? bands.lowest : -1);
    std::shuffle(probes.begin(), probes.end(), run.random);
    std::unordered_set<std::int64_t> keepOff(probes.begin(), probes.end());
    const std::uint32_t gen = run.NextGeneration();

    std::map<std::int64_t, bool> bad;  // sector -> failed a transfer
    std::vector<std::int64_t> written;
    for (const std::int64_t p : probes) {
      const Put put = run.PutBlock(p, gen);
      if (put == Put::Written) {
        written.push_back(p);
      } else if (put != Put::Stopped) {
        bad[p] = true;
      }
    }
    if (top.directSlots > 0) {
      const std::unordered_set<std::int64_t> probeSet(probes.begin(), probes.end());
      for (const std::int64_t p : written) {
        const std::int64_t e = EvictionFor(run, p, top.stride, wrap, probeSet);
        if (e < 0) continue;
        keepOff.insert(e);
        run.PutBlock(e, gen);
      }
    }
    keepOff.insert(top.sector);
    const std::uint64_t failedBefore = run.io.failedWrites;
    // Round 0 floods the low band, which the sizing left alone; once it is proven lost the
    // rounds take the two bands in turn, so that no flood lands on sectors the last one left in
    // the cache. Until then (and where the memory ends inside the bands) the sizing's band.
    const bool alternate = bands.two && (round == 0 || hi <= bands.lowest);
    const std::int64_t bandFirst = !alternate        ? bands.single
                                   : round % 2 == 0 ? bands.lowest
                                                    : bands.lowest + bands.size;
    const std::int64_t bandCount = alternate ? bands.size : flood;
    if (flood > 0 && !run.Flood(bandFirst, bandCount, keepOff)) break;
    // A flood that did not all go in may have left the probes in the cache, where they read
    // back right whatever the memory behind: such a round proves nothing, and the search ends.
    if (run.io.failedWrites != failedBefore && flood > 0) {
      run.floodRefused = true;
      break;
    }
    if (top.state == TopState::Lost && probes.end() == std::find(probes.begin(), probes.end(), top.sector)) {
      run.PutBlock(top.sector, gen);
    }
    if (run.io.Stopped()) break;

    run.RefreshReadAhead();
    std::vector<std::int64_t> good;
    for (const std::int64_t p : written) {
      const Got got = run.GetBlock(p);
      if (!got.readOk) {
        bad[p] = true;
      } else if (got.id == BlockId{p, gen}) {
        good.push_back(p);
      } else {
        bad.emplace(p, false);
      }
    }
    if (run.io.Stopped()) break;
    if (!bad.empty()) {
      hi = bad.begin()->first;
      hiIoError = bad.begin()->second;
    }
    std::int64_t highestGood = -1;
    for (const std::int64_t g : good) {
      if (g < hi) highestGood = std::max(highestGood, g);
      if (g > hi) b.keptAbove = true;
    }
    // A retested lo that failed has taken the interval down with it.
    lo = highestGood >= 0 || hi <= lo ? highestGood : lo;
    run.provenGood = lo;
    run.provenBad = hi;
  }
  b.exact = hi - lo == 1;
  if (!b.exact && !run.io.Stopped() && !run.floodRefused) run.outOfRounds = true;
  b.firstBad = b.exact ? hi : lo + 1;
  b.ioError = b.exact && hiIoError;
  return b;
}

}  // namespace sw::probe::detail
