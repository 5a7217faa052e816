// Saving before writing and writing back, newest first.
#include "probe/BackupJournal.h"

#include <algorithm>
#include <cstring>

namespace sw::probe::detail {

BackupJournal::BackupJournal(ProbeIo& io, bool destructive) : io_(io), destructive_(destructive) {}

BackupJournal::~BackupJournal() {
  if (!restored_) Restore();
  io_.BeforeWrite(nullptr);
}

bool BackupJournal::KeepOnDisk(core::Context& ctx, const JournalHeader& header) {
  if (destructive_) return true;
  const std::string name = JournalName(header);
  // One journal per stick: blocks an earlier run left to put back are never written over, and a
  // file without any (that run died before its first write) makes way for this one.
  if (const std::optional<std::vector<std::uint8_t>> earlier = ctx.os.ReadStateFile(name)) {
    const std::optional<JournalContents> contents = DecodeJournal(*earlier);
    if (contents && !contents->blocks.empty()) return false;
    if (!ctx.os.DeleteStateFile(name)) return false;
  }
  if (!ctx.os.AppendStateFile(name, EncodeHeader(header))) return false;
  ctx_ = &ctx;
  fileName_ = name;
  io_.BeforeWrite([this] { return Commit(); });
  return true;
}

void BackupJournal::Load(const JournalContents& contents) {
  for (const JournalBlock& b : contents.blocks) {
    if (!saved_.insert(b.sector).second) continue;
    entries_.push_back({b.sector, b.bytes});
  }
}

bool BackupJournal::Commit() {
  if (!ctx_ || pending_.empty()) return true;
  if (!ctx_->os.AppendStateFile(fileName_, pending_)) return false;
  pending_.clear();
  return true;
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
    if (ctx_) {
      const std::vector<std::uint8_t> record = EncodeBlock(sector, e.bytes);
      pending_.insert(pending_.end(), record.begin(), record.end());
    }
    io_.Reserve(1);
  }
  return true;
}

void BackupJournal::ForgetLast(std::int64_t sector) {
  if (entries_.empty() || entries_.back().sector != sector) return;
  entries_.pop_back();
  saved_.erase(sector);
  if (ctx_) {
    const std::vector<std::uint8_t> record = EncodeForget(sector);
    pending_.insert(pending_.end(), record.begin(), record.end());
  }
}

void BackupJournal::Restore() {
  restored_ = true;
  // Only forgotten blocks can still be pending here, never one that was written over: a failed
  // append costs nothing.
  Commit();
  io_.BeginRestore();
  unrestored_.clear();
  for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
    std::memcpy(io_.Data(), e->bytes.data(), 512);
    if (!io_.Write(e->sector, 1)) unrestored_.push_back(e->sector);
  }
  std::sort(unrestored_.begin(), unrestored_.end());
  unrestored_.erase(std::unique(unrestored_.begin(), unrestored_.end()), unrestored_.end());
  // Kept while anything is not back: the next start offers to try again.
  if (ctx_ && unrestored_.empty() && !io_.Lost()) {
    if (ctx_->os.DeleteStateFile(fileName_)) ctx_ = nullptr;
  }
}

std::vector<std::int64_t> BackupJournal::Unrestored() const {
  if (restored_) return unrestored_;
  std::vector<std::int64_t> all(saved_.begin(), saved_.end());
  std::sort(all.begin(), all.end());
  return all;
}

}  // namespace sw::probe::detail
