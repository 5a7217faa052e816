// The k-ary search for the first bad sector below a top that the cache sizing found bad.
#pragma once

#include <cstdint>

#include "probe/CacheSizing.h"
#include "probe/ProbeRun.h"

namespace sw::probe::detail {

struct Boundary {
  std::int64_t firstBad = 0;  // every sector below it held its block
  bool ioError = false;       // the first bad sector failed a read or a write
  bool exact = false;         // false: the round limit or a stop came first (firstBad is then
                              // the sector after the last one proven good)
  bool keptAbove = false;     // a block above a bad sector read back right: another address of
                              // a good place (a wrap past the bad memory), or a cache
};

// Searches [0, top.sector], top.sector being bad; wrap: the drive's wrap (0: none), so that no
// eviction lands on a probe through another address.
Boundary SearchBoundary(ProbeRun& run, const TopFinding& top, std::int64_t wrap);

}  // namespace sw::probe::detail
