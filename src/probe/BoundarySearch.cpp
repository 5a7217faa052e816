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
// the eviction stride, a cache of the last writes by a flood of its size just below the top,
// which the first round proves bad (its lowest sector is one of the round's blocks). The last
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

}  // namespace

Boundary SearchBoundary(ProbeRun& run, const TopFinding& top, std::int64_t wrap) {
  Boundary b;
  std::int64_t lo = -1;
  std::int64_t hi = top.sector;
  bool hiIoError = top.state == TopState::Unreadable || top.state == TopState::Unwritable;
  const std::int64_t flood = top.floodSectors;
  const std::int64_t bandFirst = flood > 0 ? std::max<std::int64_t>(0, top.sector - flood) : -1;
  const std::int64_t k = ProbesPerRound(flood);
  const std::int64_t limit = RoundLimit(top.sector + 1, k);

  for (std::int64_t round = 0; hi - lo > 1 && round < limit && !run.io.Stopped(); ++round) {
    run.io.Progress(text::kPhaseSearch, static_cast<std::uint64_t>(round), static_cast<std::uint64_t>(limit));
    std::vector<std::int64_t> probes = RoundSectors(lo, hi, k, round == 0 ? bandFirst : -1);
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
    if (flood > 0 && !run.Flood(bandFirst, flood, keepOff)) break;
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
