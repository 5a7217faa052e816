// The exact probe: where a drive's real memory ends, to the sector, and how the drive fakes
// what lies beyond it (lost writes, wrapped addresses, I/O errors, a write cache).
#pragma once

#include <cstdint>
#include <vector>

#include "core/Context.h"
#include "probe/ProbeIo.h"

namespace sw::probe {

enum class FakeKind {
  Genuine,     // every announced sector holds its own data
  Limbo,       // past the real memory, writes are lost
  Wraparound,  // addresses wrap: sector R + x is sector x
  Chain,       // wraps at R and loses what lies past 2R
  IoErrors,    // past the real memory, reads or writes fail
  NoMemory,    // not even sector 0 keeps what is written
};

enum class ProbeEnd { Completed, Cancelled };

struct ProbeResult {
  ProbeEnd end = ProbeEnd::Completed;
  FakeKind kind = FakeKind::Genuine;
  std::int64_t totalSectors = 0;
  std::int64_t lastGoodSector = -1;  // -1: not one sector keeps its data
  std::int64_t wrapSectors = 0;      // Wraparound and Chain: the period of the addresses
  std::int64_t errorFromSector = -1; // the lowest sector that failed a read or a write
  bool readErrors = false;
  bool writeErrors = false;
  std::int64_t cacheSectors = 0;     // approximate size of a write cache that hid lost writes
  std::int64_t floodSectors = 0;     // sectors rewritten to push the probe blocks out of a cache
};

// The largest write cache the probe pushes its blocks out of on a drive that shows no lost
// write at all (caches of fakes in the field run from a few blocks to a few hundred MB; one that
// hides everything has to be out-written).
inline constexpr std::int64_t kMaxFloodSectors = std::int64_t{1} << 17;

// An upper bound on the sector writes of one probe of a drive of totalSectors, the writes that
// put the saved sectors back included.
std::uint64_t ProbeWriteBound(std::int64_t totalSectors, bool destructive);

// Runs the probe on the open hDrive through io; seed salts every block. Polls CancelRequested
// (yielding to the message loop) between transfers. Restoring is left to the caller.
ProbeResult RunProbe(core::Context& ctx, ProbeIo& io, std::int64_t totalSectors, std::uint64_t seed);

}  // namespace sw::probe
