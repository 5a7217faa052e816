// Putting back the blocks of an Exact Probe that did not end (a crash, a kill, a power cut, a
// pulled stick): found in the journals on this computer's disk and written, after a question, to
// the drive each journal is for, once that drive is connected again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"
#include "probe/JournalFile.h"

namespace sw::probe {

struct PendingRestore {
  std::string file;         // the journal's name in the state folder
  JournalContents journal;
  std::int32_t disk = -1;   // the connected drive it is for; -1: not connected
};

// Every journal with blocks to put back, each with the connected drive it is for. Journals that
// hold no block (the probe died before its first write) are deleted on the way: there is nothing
// they could put back.
std::vector<PendingRestore> FindPendingRestores(core::Context& ctx);

// Asks about and restores each journal whose drive is connected, and says where the others wait.
// LastOutcome: Passed when every connected drive got all its blocks back; Failed when some could
// not be written; Cancelled when a drive was lost on the way; NotRun when there was nothing to do
// or the user said Cancel.
void RestoreInterruptedProbes(core::Context& ctx);

// The window at start-up: the same, only when a journal waits for a connected drive.
void OfferRestoreAtStart(core::Context& ctx);

// The terminal at the start of every other command: one line per journal waiting for a
// connected drive, pointing to `program restore`; empty when none waits.
std::string PendingRestoreNote(core::Context& ctx, const std::string& program);

// True, after saying so in the report and a box, when the pinned drive has blocks of an earlier
// probe still to be put back: a new probe would save the changed blocks as the originals.
bool RefuseWhileRestorePending(core::Context& ctx);

}  // namespace sw::probe
