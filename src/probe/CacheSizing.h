// What the drive does with a block written at the top of the span the probe searches: keeps it,
// loses it, keeps it only in a cache (of which kind and about how large), or fails the transfer.
#pragma once

#include <cstdint>
#include <vector>

#include "probe/ProbeRun.h"

namespace sw::probe::detail {

enum class TopState { Good, Lost, Unreadable, Unwritable, Stopped };

struct TopFinding {
  TopState state = TopState::Stopped;
  std::int64_t sector = 0;        // the top sector tried
  std::int64_t stride = 0;        // evicts every direct-mapped cache of up to this many slots
  std::int64_t directSlots = 0;   // a direct-mapped cache of about this many slots; 0: none
  // A cache of the last writes, flushed by this many (the flood and the riders after the top,
  // some of which may have been good memory, so the cache holds no more); 0: none.
  std::int64_t floodSectors = 0;
  // The search's first round, written in rising order after the top had read back and before
  // the flood that pushed the top out (RiderProbes): the sectors written, those whose transfer
  // failed, and their step. Written before the top left the cache, so the flood that evicted it
  // may already have evicted them; the search reads them before it floods again.
  std::vector<std::int64_t> riders;
  std::vector<std::int64_t> ridersFailed;
  std::uint32_t ridersGen = 0;
  // Good: the top kept its block through this many writes of other sectors, so a cache of the
  // last writes up to that size is ruled out, and no larger one.
  std::int64_t keptThroughSectors = 0;
  // The sector whose block the top read instead of its own (an eviction's or a flood's), -1:
  // none. A loose cache does that, and so does a drive that wraps: the two addresses are then
  // one place (at directSlots apart for an eviction, at top - answeredBy for a flood).
  std::int64_t answeredBy = -1;
};

// span: the sectors searched ([0, span), the wrap when there is one); top = span - 1.
TopFinding SizeCacheAtTop(ProbeRun& run, std::int64_t span);

}  // namespace sw::probe::detail
