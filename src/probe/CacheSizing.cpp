// Sizing a counterfeit's write cache at the top of the searched span.
//
// Fakes keep recent writes past their real memory in a cache and answer reads from it: f3probe
// reports an "Approximate cache size" for them, 3.00 MB (6,144 blocks) on a 2 TB limbo fake in
// AltraMayor/f3 issue 204, and its author describes fakes whose bad blocks are served from the
// drive's cache (pull request 281, tested with a cache of 2^18 blocks). Two shapes are told apart
// here:
//  - direct-mapped (a block lives in slot address mod 2^k): one write at a distance that is a
//    multiple of 2^k evicts it. A write at the top minus the stride (a power of two up to 2^24
//    sectors, 8 GiB) evicts any such cache; halving the distance until it no longer evicts
//    gives 2^k with a handful of writes. Stale reads (the last block written answers every lost
//    sector) and a cache of one block behave as one slot.
//  - the last N writes, whatever their address: only N other writes evict a block. The top block
//    is followed by the search's first round of probes (the riders) and then by 64, 128, 192,
//    ... writes below it, growing by an eighth once past 512 (each written back with what it
//    held, so a genuine drive's data stays as it was) until it reads lost; the count reached is
//    the flood each round of the search must write. When it survives LargestFloodSectors the top
//    is real.
#include "probe/CacheSizing.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

#include "probe/ProbePlan.h"
#include "probe/ProbeTexts.h"

namespace sw::probe::detail {

namespace {

TopState Failed(Put put) {
  if (put == Put::Unreadable) return TopState::Unreadable;
  if (put == Put::Unwritable) return TopState::Unwritable;
  return TopState::Stopped;
}

// The smallest power-of-two distance below the top whose write evicts the top block.
std::int64_t DirectSlots(ProbeRun& run, std::int64_t top, std::int64_t stride) {
  int low = 0;
  int high = std::countr_zero(static_cast<std::uint64_t>(stride));
  while (low < high && !run.io.Stopped()) {
    const int mid = (low + high) / 2;
    const std::uint32_t gen = run.NextGeneration();
    run.PutBlock(top, gen);
    run.PutBlock(top - (std::int64_t{1} << mid), gen);
    run.RefreshReadAhead();
    if (run.Holds(top, gen)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return std::int64_t{1} << high;
}

}  // namespace

TopFinding SizeCacheAtTop(ProbeRun& run, std::int64_t span) {
  TopFinding found;
  const std::int64_t top = span - 1;
  found.sector = top;
  found.stride = EvictionStride(span);
  run.io.Progress(text::kPhaseCache, 0, 1);
  const std::uint32_t gen = run.NextGeneration();
  const Put put = run.PutBlock(top, gen);
  if (put != Put::Written) {
    found.state = Failed(put);
    return found;
  }
  run.RefreshReadAhead();
  const Got first = run.GetBlock(top);
  if (!first.readOk) {
    found.state = run.io.Stopped() ? TopState::Stopped : TopState::Unreadable;
    return found;
  }
  found.state = TopState::Lost;
  if (first.id != BlockId{top, gen}) return found;  // lost at once: no cache in front of it

  const std::int64_t evict = top - found.stride;
  if (evict >= 0 && evict != top && run.PutBlock(evict, gen) == Put::Written) {
    run.RefreshReadAhead();
    const Got after = run.GetBlock(top);
    if (after.id != BlockId{top, gen}) {
      if (after.id == BlockId{evict, gen}) found.answeredBy = evict;
      found.directSlots = DirectSlots(run, top, found.stride);
      return found;
    }
  }

  const std::int64_t largest = LargestFloodSectors(run.total);
  std::unordered_set<std::int64_t> keepOff{top, evict};
  // The riders: the search's first round, which the flood below pushes out of a cache of the
  // last writes along with the top, so that no flood of its own is paid for it.
  for (const std::int64_t p : RoundSectors(-1, top, RiderProbes(span))) {
    if (keepOff.count(p) != 0) continue;
    const Put rider = run.PutBlock(p, gen);
    if (rider == Put::Stopped) {
      found.state = TopState::Stopped;
      return found;
    }
    (rider == Put::Written ? found.riders : found.ridersFailed).push_back(p);
    keepOff.insert(p);
  }
  if (!found.riders.empty() || !found.ridersFailed.empty()) found.ridersGen = gen;
  const auto riders = static_cast<std::int64_t>(found.riders.size());
  std::int64_t flooded = 0;
  while (flooded < largest && !run.io.Stopped()) {
    // Steps of an eighth: the rounds flood what evicted the top, so an overshoot is paid again
    // in every round.
    const std::int64_t next =
        std::min(largest, flooded == 0 ? 64 : flooded + std::max<std::int64_t>(64, flooded / 8));
    if (top - next < 0) break;
    const std::uint64_t failedBefore = run.io.failedWrites;
    if (!run.Flood(top - next, next - flooded, keepOff)) {
      found.state = TopState::Stopped;
      return found;
    }
    // Sectors the flood could not write prove no cache, and a top that then reads lost or kept
    // says nothing about one: the span fails its writes, as a top that cannot be written does.
    if (run.io.failedWrites != failedBefore) {
      found.state = TopState::Unwritable;
      return found;
    }
    flooded = next;
    run.io.Progress(text::kPhaseCache, static_cast<std::uint64_t>(flooded), static_cast<std::uint64_t>(largest));
    run.RefreshReadAhead();
    const Got now = run.GetBlock(top);
    if (now.id != BlockId{top, gen}) {
      if (now.id && now.id->sector != top) found.answeredBy = now.id->sector;
      found.floodSectors = flooded + riders;
      return found;
    }
  }
  found.state = run.io.Stopped() ? TopState::Stopped : TopState::Good;
  found.keptThroughSectors = flooded;
  return found;
}

}  // namespace sw::probe::detail
