// What the probe changed and what those sectors held before: saved before the first write to a
// sector, written back in the reverse order of saving (so that two addresses of one place end
// with the older bytes), at the end of the run or, whatever way the run leaves, by the destructor.
// Kept on the computer's disk as well (JournalFile.h), before every write it covers, so that a
// run that dies leaves what the next one needs to put the blocks back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "probe/JournalFile.h"
#include "probe/ProbeIo.h"

namespace sw::probe::detail {

class BackupJournal {
 public:
  // A destructive run saves nothing and restores nothing.
  BackupJournal(ProbeIo& io, bool destructive);
  ~BackupJournal();
  BackupJournal(const BackupJournal&) = delete;
  BackupJournal& operator=(const BackupJournal&) = delete;

  // From now on every block saved is on the computer's disk before the drive is written, in
  // the state file named after the stick; the file goes once every block is back. False (and
  // nothing kept) when the file cannot be written: then the probe must write nothing.
  bool KeepOnDisk(core::Context& ctx, const JournalHeader& header);
  // A journal read back from the disk after a run that died: its blocks, to be restored.
  void Load(const JournalContents& contents);

  // Saves what `count` sectors from `first` hold now, unless saved already. False when they
  // cannot be read: then they must not be written.
  bool Save(std::int64_t first, std::int32_t count);
  bool Saved(std::int64_t sector) const { return saved_.count(sector) != 0; }
  // The last sector saved was not changed after all: its one-sector write failed before any
  // other write reached it.
  void ForgetLast(std::int64_t sector);

  // Writes every saved sector back, newest first. Every one, past the real memory as well: the
  // probe's answer decides nothing about what is put back, so a wrong answer loses no data.
  // Sectors that cannot be written stay listed, and so does the file on the disk (for a later
  // try); it is deleted once all are back.
  void Restore();
  // The saved sectors not put back (all of them before Restore, or after a lost drive).
  std::vector<std::int64_t> Unrestored() const;

 private:
  struct Entry {
    std::int64_t sector;
    std::array<std::uint8_t, 512> bytes;
  };
  // Puts what was saved since the last write on the disk; called before each write.
  bool Commit();

  ProbeIo& io_;
  bool destructive_;
  core::Context* ctx_ = nullptr;  // set while a file on the disk is kept
  std::string fileName_;
  std::vector<std::uint8_t> pending_;  // records not yet on the disk
  bool restored_ = false;
  std::vector<Entry> entries_;
  std::unordered_set<std::int64_t> saved_;
  std::vector<std::int64_t> unrestored_;
};

}  // namespace sw::probe::detail
