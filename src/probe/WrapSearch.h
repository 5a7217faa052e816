// Finding where a drive's addresses wrap, at any size, with a window of blocks at the start of
// the drive and reads spaced a window's reach apart.
#pragma once

#include <cstdint>

#include "probe/ProbeRun.h"

namespace sw::probe::detail {

struct WrapFound {
  std::int64_t wrap = 0;      // sectors; 0: none found
  bool lostPastWrap = false;  // an address past the wrap that should land on the window did not:
                              // the drive keeps nothing there (a chain)
  std::int64_t confirmedAt = -1;  // the window sector the wrap was confirmed with
};

// goodEnd: the sectors [0, goodEnd) found good so far (the whole drive when its top held its
// block); the window lies among them. Reads a run every window's reach below goodEnd, so a wrap
// inside it is always found. Past it a wrap only tells a chain from limbo: read there (at most
// kKindReads) only when lookPast, when the search saw a block kept above the bad memory; else
// only the last sector.
WrapFound FindWrap(ProbeRun& run, std::int64_t goodEnd, bool lookPast);

// True when sectors a and a + wrap are one place (a being good): the later of two writes is
// what both read, and a third write beside them changes neither.
bool ConfirmWrap(ProbeRun& run, std::int64_t a, std::int64_t wrap);

}  // namespace sw::probe::detail
