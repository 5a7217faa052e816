// One probe run: the drive's size, this run's salt and step counter, and the block-level moves
// every phase makes (write a block after saving the sector, read one back, flood a range).
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <unordered_set>

#include "core/Context.h"
#include "probe/BackupJournal.h"
#include "probe/ProbeIo.h"
#include "probe/ProbePlan.h"
#include "probe/SaltedBlock.h"

namespace sw::probe::detail {

enum class Put { Written, Unreadable, Unwritable, Stopped };

struct Got {
  bool readOk = false;
  std::optional<BlockId> id;  // set when the sector holds one of this run's blocks
};

struct ProbeRun {
  ProbeRun(core::Context& c, ProbeIo& i, BackupJournal& j, std::uint64_t s, std::int64_t n, bool d)
      : ctx(c),
        io(i),
        journal(j),
        salt(s),
        total(n),
        destructive(d),
        random(s ^ 0x5EEDull),
        floodLeft(FloodBudgetSectors(n)) {}

  core::Context& ctx;
  ProbeIo& io;
  BackupJournal& journal;
  std::uint64_t salt;
  std::int64_t total;
  bool destructive;
  std::uint32_t generation = 0;
  std::mt19937_64 random;  // the order of writes and read-backs
  std::int64_t floodLeft;  // what the run's floods may still write
  std::int64_t farSector = -1;  // read by RefreshReadAhead with sector 0; -1: the last sector
  // What the boundary search had proven when it last ended a round, for a run that stops short:
  // the highest sector that kept its block and the lowest that lost it (-1: none yet).
  std::int64_t provenGood = -1;
  std::int64_t provenBad = -1;
  bool outOfRounds = false;  // the boundary search took its last round without an exact answer
  bool floodRefused = false;  // the drive failed writes of a round's flood: the search stopped

  std::uint32_t NextGeneration() { return ++generation; }

  // Saves the sector, then writes its block of step `gen` there.
  Put PutBlock(std::int64_t sector, std::uint32_t gen);
  Got GetBlock(std::int64_t sector);
  // True when the sector reads back exactly its block of step `gen`.
  bool Holds(std::int64_t sector, std::uint32_t gen);

  // After this, no read is answered from a read-ahead copy taken before the writes that came
  // before it: a read far from sector 0 (the last sector, or lower ones when that fails to
  // read), then one at sector 0, makes any such buffer load afresh.
  void RefreshReadAhead();

  // Writes every sector of [first, first + count) not in keepOff once. A sector is written back
  // with what it holds (nothing changes where it is real memory), except one that holds a block
  // of this run, which gets a block of its own instead: a drive that answers with the last block
  // written (stale reads, a loose cache) must never be handed a probe's block again. Such a
  // sector is not saved first: a block of this run can only be read where the run wrote it
  // (saved then), at another address of a place it wrote (whose first address was saved, and is
  // restored last), or from a counterfeit's limbo, which keeps nothing worth restoring.
  // False when the flood budget ran out before the range was written (a round whose flood fell
  // short proves nothing).
  bool Flood(std::int64_t first, std::int64_t count, const std::unordered_set<std::int64_t>& keepOff);
};

}  // namespace sw::probe::detail
