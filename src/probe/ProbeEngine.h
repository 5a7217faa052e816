// The exact probe's engine: finds the last good sector of a drive to the sector, what kind of
// counterfeit it is, where its addresses wrap, where its I/O errors begin and how large a write
// cache it hides, with salted blocks it reads back in random order.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Context.h"

namespace sw::probe {

// What kind of drive the probe found. Genuine: every sector holds what was written. Limbo:
// writes past the real memory are lost (reads give zeros, ones, stale or random data). Wraparound:
// addresses past the real memory land on earlier sectors, the same offset modulo the wrap size.
// Chain: the wrap lands on sectors that themselves lie past the real memory. IoErrors: reads or
// writes past the real memory fail. NoMemory: not one sector keeps its data.
enum class FakeKind { Genuine, Limbo, Wraparound, Chain, IoErrors, NoMemory };

enum class ProbeEnd {
  Completed,
  Cancelled,  // Cancel (the button, Ctrl-C, a signal) seen at a poll
  DriveLost,  // the pinned drive changed or disappeared; nothing more was written
  Failed,     // the drive could not be read or written at all (sector 0 unreadable, ...)
  // Stopped by its own limits before the answer was exact (the write bound, the search's
  // rounds): what was proven up to then stands.
  Unfinished,
  NoJournal,  // the journal of the saved blocks could not be kept on the computer's disk
};

enum class Limit { None, WriteBound, SearchRounds, RefusedFlood };

struct ProbeOptions {
  bool destructive = false;  // skip the backup and restore of the blocks the probe writes
  std::uint64_t seed = 0;    // salt of this run's blocks; 0: drawn from a random device
};

struct ProbeFindings {
  ProbeEnd end = ProbeEnd::Completed;
  FakeKind kind = FakeKind::Genuine;
  std::int64_t totalSectors = 0;     // the announced size in 512-byte sectors
  std::uint32_t driveSectorBytes = 512;  // the drive's own logical sector (4,096 on a 4Kn drive)
  std::int64_t lastGoodSector = -1;  // the highest sector of the real memory; -1: none
  std::uint64_t usableBytes = 0;     // (lastGoodSector + 1) x 512, 0 when none is good
  std::int64_t wrapSectors = 0;      // Wraparound/Chain: the wrap size in sectors
  std::int64_t errorFromSector = -1; // IoErrors: the first sector that fails
  std::int64_t cacheSectors = 0;     // the approximate write cache found, 0: none
  // Genuine: the most writes of other sectors the top kept its block through. A drive that keeps
  // only more of its last writes than that, or whose memory follows the writes and holds all
  // the probe wrote, answers a probe as a genuine one does: only writing the whole drive tells.
  std::int64_t keptThroughSectors = 0;
  std::uint64_t sectorsWritten = 0;  // by the probe itself, the restore included
  std::uint64_t sectorsRead = 0;
  double writeLatencySeconds = 0;    // mean time of one write request
  double readLatencySeconds = 0;     // mean time of one read request
  // Unfinished: which limit stopped it, and what it had proven by then: the highest sector that
  // kept its block (-1: none) and the lowest that lost it (-1: none).
  Limit limit = Limit::None;
  std::int64_t provenGoodSector = -1;
  std::int64_t provenBadSector = -1;
  // Sectors whose original bytes could not be put back (non-destructive runs); empty when all
  // were restored.
  std::vector<std::int64_t> unrestoredSectors;
};

// The most sectors one probe may write on a drive of this many sectors, restore included: the
// bound --help states, which holds for any drive.
std::uint64_t ProbeWriteBoundSectors(std::int64_t totalSectors);

// Probes the physical drive open in ctx.state.hDrive (opened, pinned and locked by the caller),
// whose size is ctx.state.DriveSizeBytes. Polls CancelRequested through ctx.win.DoEvents; every
// block it changed is restored before it returns unless options.destructive, on every way out.
// Writes nothing to the report: the command words the findings.
ProbeFindings ProbeDrive(core::Context& ctx, const ProbeOptions& options);

}  // namespace sw::probe
