// Saving before writing and writing back, newest first.
#include "probe/BackupJournal.h"

#include <algorithm>
#include <cstring>

namespace sw::probe::detail {

BackupJournal::BackupJournal(ProbeIo& io, bool destructive) : io_(io), destructive_(destructive) {}

BackupJournal::~BackupJournal() {
  if (!restored_) Restore();
}

bool BackupJournal::Save(std::int64_t first, std::int32_t count) {
  if (destructive_) return true;
  bool all = true;
  for (std::int32_t i = 0; i < count; ++i) all = all && Saved(first + i);
  if (all) return true;
  if (!io_.Read(first, count)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int64_t sector = first + i;
    if (!saved_.insert(sector).second) continue;
    Entry e{sector, {}};
    std::memcpy(e.bytes.data(), io_.Data() + static_cast<std::size_t>(i) * 512, 512);
    entries_.push_back(e);
    io_.Reserve(1);
  }
  return true;
}

void BackupJournal::ForgetLast(std::int64_t sector) {
  if (entries_.empty() || entries_.back().sector != sector) return;
  entries_.pop_back();
  saved_.erase(sector);
}

void BackupJournal::Restore() {
  restored_ = true;
  io_.BeginRestore();
  unrestored_.clear();
  for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
    std::memcpy(io_.Data(), e->bytes.data(), 512);
    if (!io_.Write(e->sector, 1)) unrestored_.push_back(e->sector);
  }
  std::sort(unrestored_.begin(), unrestored_.end());
  unrestored_.erase(std::unique(unrestored_.begin(), unrestored_.end()), unrestored_.end());
}

std::vector<std::int64_t> BackupJournal::Unrestored() const {
  if (restored_) return unrestored_;
  std::vector<std::int64_t> all(saved_.begin(), saved_.end());
  std::sort(all.begin(), all.end());
  return all;
}

}  // namespace sw::probe::detail
