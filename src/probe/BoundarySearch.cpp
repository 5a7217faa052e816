// The boundary search, a round at a time.
//
// Each round writes up to k blocks spread over the uncertain interval (lo, hi) (lo proven good,
// hi proven bad) and the last proven good sector again, in rising order, defeats the cache, then
// reads the blocks back in random order. A block that reads back wrong proves its sector bad
// whatever a cache does (a cache only ever makes a lost block look kept), so the lowest wrong one
// is the new hi and the highest right one below it the new lo. One round shrinks the interval
// k + 1 times: where a cache must be flooded, a round places as few blocks as finish in the
// fewest rounds (up to 64 or more), so a terabyte takes a handful of rounds and the flood is paid
// once a round, not once per block as a bisection would pay it; where none must be, a round
// costs only its blocks and 8 a round write the fewest. The first round of a search over a cache
// of the last writes is written by the sizing, before the flood that finds the cache (the
// riders): that flood pushes them out as well, and the round costs no flood of its own.
//
// The cache is defeated as the sizing found it: a direct-mapped one by one write per block at
// the eviction stride, a cache of the last writes by a flood a little larger than it just below
// the top (see FloodBands). A cache of the last writes lets its blocks go in the order they came
// in, and the blocks went in in rising order: once the lowest lost one reads back wrong (its
// transfers went through: it left the cache, and no flood had put its sector there before), every
// block below it that reads back right left the cache before it and is good. The flood therefore
// stops as soon as one block reads back wrong; the lost blocks above the lowest then did the
// flood's work. The last write of a round
// that floods to its end is always a fresh block at the top: a drive that answers lost sectors
// with the last block written then answers with that one, never with a probe's own block.
#include "probe/BoundarySearch.h"

#include <algorithm>
#include <map>
#include <vector>

#include "probe/ProbePlan.h"
#include "probe/ProbeTexts.h"

namespace sw::probe::detail {

namespace {

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
// flood takes the band the cache holds least of: the search's first the low band (the sizing
// flooded the top's sectors, in the high one), then the other band in turn. A flood that writes
// more sectors than the cache holds leaves in it only what it wrote; the next band, disjoint from
// it, then evicts one entry per sector. The sizing saw the top evicted by `flood` writes and one
// eviction write at most, so `flood + 1` such writes clear it; the band is larger by the probes
// a round may place in it (never written by its flood): the first round's, spread evenly over
// the whole span.
struct FloodBands {
  bool two = false;
  std::int64_t size = 0;     // sectors of one band
  std::int64_t lowest = -1;  // the low band's first sector
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

// What a round's blocks read back as.
struct Readout {
  std::map<std::int64_t, bool> bad;  // sector -> failed a transfer
  std::vector<std::int64_t> good;
};

Readout ReadBack(ProbeRun& run, std::vector<std::int64_t> written, const std::map<std::int64_t, bool>& failed,
                 std::uint32_t gen) {
  Readout r;
  r.bad = failed;
  std::shuffle(written.begin(), written.end(), run.random);
  run.RefreshReadAhead();
  for (const std::int64_t p : written) {
    const Got got = run.GetBlock(p);
    if (!got.readOk) {
      r.bad[p] = true;
    } else if (got.id == BlockId{p, gen}) {
      r.good.push_back(p);
    } else {
      r.bad.emplace(p, false);
    }
  }
  return r;
}

// The lowest bad block read back as another block, its transfers all right: it left the cache,
// and so did every block written before it. Not a block on a sector a flood wrote: a cache that
// keeps a sector's place may still have held it then, and lets it go before blocks written
// ahead of it.
bool LowestLeftTheCache(const Readout& r, std::int64_t floodedFrom) {
  return !r.bad.empty() && !r.bad.begin()->second && r.bad.begin()->first < floodedFrom;
}

}  // namespace

Boundary SearchBoundary(ProbeRun& run, const TopFinding& top, std::int64_t wrap) {
  Boundary b;
  std::int64_t lo = -1;
  std::int64_t hi = top.sector;
  bool hiIoError = top.state == TopState::Unreadable || top.state == TopState::Unwritable;
  const std::int64_t flood = top.floodSectors;
  const std::int64_t most = ProbesPerRound(flood);
  const bool ridden = !top.riders.empty() || !top.ridersFailed.empty();
  const FloodBands bands =
      BandsBelow(top.sector, flood, std::max<std::int64_t>(most, static_cast<std::int64_t>(top.riders.size())));
  const std::int64_t limit = RoundLimit(top.sector + 1, most);
  std::int64_t cursor = -1;  // where the next flood starts
  std::int64_t floodedFrom = top.sector - flood;  // the lowest sector a flood wrote (the sizing's)

  for (std::int64_t round = 0; hi - lo > 1 && round < limit && !run.io.Stopped(); ++round) {
    run.io.Progress(text::kPhaseSearch, static_cast<std::uint64_t>(round), static_cast<std::uint64_t>(limit));
    const bool riders = round == 0 && ridden;
    std::vector<std::int64_t> probes;
    std::vector<std::int64_t> written;
    std::map<std::int64_t, bool> failed;  // sector -> failed a transfer
    std::uint32_t gen = 0;
    if (riders) {
      gen = top.ridersGen;
      written = top.riders;
      for (const std::int64_t p : top.ridersFailed) failed[p] = true;
      probes = written;
      probes.insert(probes.end(), top.ridersFailed.begin(), top.ridersFailed.end());
    } else {
      const std::int64_t k = flood > 0 ? BalancedProbes(hi - lo - 1, most) : most;
      probes = RoundSectors(lo, hi, k);
      gen = run.NextGeneration();
      for (const std::int64_t p : probes) {  // rising order: see the eviction order above
        const Put put = run.PutBlock(p, gen);
        if (put == Put::Written) {
          written.push_back(p);
        } else if (put != Put::Stopped) {
          failed[p] = true;
        }
      }
    }
    std::unordered_set<std::int64_t> keepOff(probes.begin(), probes.end());
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

    Readout out;
    bool proven = false;  // by the eviction order, before the flood's end
    if (flood > 0) {
      // The floods go round the sectors below the top that are proven lost (from hi, or from the
      // low band's first sector once it is), each taking up where the last one stopped: every
      // sector a flood writes was then last written at least the span's length before, which is
      // more than the cache holds, so each one evicts. Until that span is as large as a band
      // (and where the memory ends inside the bands) the two bands as they stand: the search's
      // first flood starts on the low band, which the sizing left alone.
      const std::int64_t floor = bands.two ? bands.lowest : bands.single;
      std::int64_t spanFirst = std::max(floor, hi);
      if (top.sector - spanFirst < bands.size) spanFirst = floor;
      if (cursor < spanFirst || cursor >= top.sector) cursor = spanFirst;
      const std::int64_t bandCount = bands.two ? bands.size : flood;
      // No lost block can leave before the flood nears the cache's size less the blocks that
      // follow it; the riders may have left with the top already.
      const auto blocks = static_cast<std::int64_t>(written.size());
      std::int64_t next = riders ? 0 : std::max<std::int64_t>(0, bandCount * 3 / 4 - blocks);
      const std::int64_t step = std::max<std::int64_t>(ProbeIo::kChunkSectors, bandCount / 32);
      std::int64_t done = 0;
      bool refused = false;
      while (!run.io.Stopped()) {
        if (next > done) {
          const std::uint64_t failedBefore = run.io.failedWrites;
          bool all = true;
          for (std::int64_t left = next - done; left > 0 && all;) {
            const std::int64_t n = std::min(left, top.sector - cursor);
            if (n <= 0) {  // no span to flood: nothing more the rounds write can be proven
              all = false;
              break;
            }
            floodedFrom = std::min(floodedFrom, cursor);
            all = run.Flood(cursor, n, keepOff);
            left -= n;
            cursor += n;
            if (cursor >= top.sector) cursor = spanFirst;
          }
          if (!all) break;
          done = next;
          // A flood that did not all go in may have left the probes in the cache, where they
          // read back right whatever the memory behind: such a round proves nothing, and the
          // search ends.
          if (run.io.failedWrites != failedBefore) {
            refused = true;
            break;
          }
        }
        if (done >= bandCount) break;
        out = ReadBack(run, written, failed, gen);
        if (run.io.Stopped() || LowestLeftTheCache(out, floodedFrom)) {
          proven = true;
          break;
        }
        next = std::min(bandCount, std::max(done, next) + step);
      }
      if (refused) {
        run.floodRefused = true;
        break;
      }
      if (run.io.Stopped()) break;
      if (!proven && done < bandCount) break;  // the flood budget ran out
    }
    if (!proven) {
      if (top.state == TopState::Lost && probes.end() == std::find(probes.begin(), probes.end(), top.sector)) {
        run.PutBlock(top.sector, gen);
      }
      if (run.io.Stopped()) break;
      out = ReadBack(run, written, failed, gen);
    }
    if (run.io.Stopped()) break;
    if (!out.bad.empty()) {
      hi = out.bad.begin()->first;
      hiIoError = out.bad.begin()->second;
    }
    std::int64_t highestGood = -1;
    for (const std::int64_t g : out.good) {
      if (g < hi) highestGood = std::max(highestGood, g);
      // Above a block that left the cache early, a block that reads right is still in it.
      if (g > hi && !proven) b.keptAbove = true;
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
