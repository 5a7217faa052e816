// The counterfeit rules, sector by sector past the real memory and in whole runs inside it.
#include "FakeMedia.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace sw::e2e {

namespace {
constexpr std::uint64_t kEmptySlot = ~0ull;
}

std::string CheckGeometry(const FakeGeometry& g) {
  if (g.sizeBytes == 0 || g.sizeBytes % kSector) return "the size must be a positive multiple of 512";
  if (g.realBytes % kSector) return "the real memory must be a multiple of 512";
  if (g.realBytes > g.sizeBytes) return "the real memory cannot exceed the size";
  if (g.kind == FakeKind::Genuine && g.realBytes != g.sizeBytes) return "a genuine stick is all real";
  if (g.kind == FakeKind::Wraparound && g.realBytes == 0) return "a wrapping stick needs real memory";
  if (g.wrapBytes && g.kind != FakeKind::Wraparound) return "only a wrapping stick wraps";
  if (g.wrapBytes && (g.wrapBytes % kSector || g.wrapBytes < g.realBytes || g.wrapBytes > g.sizeBytes)) {
    return "the wrap must be whole sectors between the real memory and the size";
  }
  if (g.cacheSectors && g.kind != FakeKind::Limbo) return "only a limbo stick has a cache";
  if (g.kind == FakeKind::IoError && !g.readErrors && !g.writeErrors) return "no transfer would fail";
  if (g.kind == FakeKind::Follow && g.realBytes % kFollowBlock) return "a following stick's memory is whole 4 KiB blocks";
  return {};
}

FakeMedia::FakeMedia(const FakeGeometry& geometry, int backingFd)
    : g_(geometry),
      fd_(backingFd),
      stale_(kSector, 0),
      follow_(g_.kind == FakeKind::Follow ? g_.realBytes / kFollowBlock : 0, g_.full) {
  // Real memory first, then one sector per cache slot; never written parts stay holes.
  if (::ftruncate(fd_, static_cast<off_t>(g_.realBytes + g_.cacheSectors * kSector)) != 0) {
    unplugged_ = true;  // a stick that cannot hold data is a dead stick
  }
  if (g_.cache != CacheKind::Associative) slotTag_.assign(g_.cacheSectors, kEmptySlot);
}

void FakeMedia::Unplug() {
  std::lock_guard lock(mutex_);
  unplugged_ = true;
}

bool FakeMedia::Unplugged() const {
  std::lock_guard lock(mutex_);
  return unplugged_;
}

FakeMedia::Counters FakeMedia::Count() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

int FakeMedia::ReadRun(std::uint64_t physical, std::uint64_t length, std::uint8_t* out) {
  while (length) {
    ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(physical));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    physical += n, out += n, length -= static_cast<std::uint64_t>(n);
  }
  return 0;
}

int FakeMedia::WriteRun(std::uint64_t physical, std::uint64_t length, const std::uint8_t* in) {
  while (length) {
    ssize_t n = ::pwrite(fd_, in, length, static_cast<off_t>(physical));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    physical += n, in += n, length -= static_cast<std::uint64_t>(n);
  }
  return 0;
}

bool FakeMedia::CacheLookup(std::uint64_t sector, std::uint64_t& slot) const {
  if (!g_.cacheSectors) return false;
  if (g_.cache == CacheKind::Associative) {
    auto it = slotOf_.find(sector);
    if (it == slotOf_.end()) return false;
    slot = it->second;
    return true;
  }
  slot = sector % g_.cacheSectors;
  if (g_.cache == CacheKind::DirectStrict) return slotTag_[slot] == sector;
  return slotTag_[slot] != kEmptySlot;
}

std::uint64_t FakeMedia::CacheStore(std::uint64_t sector) {
  if (g_.cache != CacheKind::Associative) {
    std::uint64_t slot = sector % g_.cacheSectors;
    slotTag_[slot] = sector;
    return slot;
  }
  if (auto it = slotOf_.find(sector); it != slotOf_.end()) return it->second;
  std::uint64_t slot;
  if (arrival_.size() < g_.cacheSectors) {
    slot = arrival_.size();
  } else {  // the oldest sector leaves the cache and gives its slot to the newest
    slot = slotOf_[arrival_.front()];
    slotOf_.erase(arrival_.front());
    arrival_.pop_front();
  }
  slotOf_[sector] = slot;
  arrival_.push_back(sector);
  return slot;
}

int FakeMedia::ReadSector(std::uint64_t sector, std::uint8_t* out) {
  std::uint64_t slot;
  if (CacheLookup(sector, slot)) return ReadRun(SlotOffset(slot), kSector, out);
  switch (g_.fill) {
    case LimboFill::Zeros: std::memset(out, 0, kSector); break;
    case LimboFill::Ones: std::memset(out, 0xFF, kSector); break;
    case LimboFill::Stale: std::memcpy(out, stale_.data(), kSector); break;
  }
  return 0;
}

int FakeMedia::WriteSector(std::uint64_t sector, const std::uint8_t* in) {
  std::memcpy(stale_.data(), in, kSector);
  if (!g_.cacheSectors) return 0;
  return WriteRun(SlotOffset(CacheStore(sector)), kSector, in);
}

// Each address modulo the wrap: on the real memory when below it, else (a chain) limbo.
int FakeMedia::ReadWrapping(std::uint64_t offset, std::uint64_t length, std::uint8_t* out) {
  const std::uint64_t wrap = g_.wrapBytes ? g_.wrapBytes : g_.realBytes;
  const std::uint64_t end = offset + length;
  while (offset < end) {
    const std::uint64_t at = offset % wrap;
    const bool real = at < g_.realBytes;
    const std::uint64_t run = std::min(end - offset, (real ? g_.realBytes : wrap) - at);
    if (int err = real ? ReadRun(at, run, out) : ReadLimbo(offset, run, out)) return err;
    offset += run, out += run;
  }
  return 0;
}

int FakeMedia::WriteWrapping(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in) {
  const std::uint64_t wrap = g_.wrapBytes ? g_.wrapBytes : g_.realBytes;
  const std::uint64_t end = offset + length;
  while (offset < end) {
    const std::uint64_t at = offset % wrap;
    const bool real = at < g_.realBytes;
    const std::uint64_t run = std::min(end - offset, (real ? g_.realBytes : wrap) - at);
    if (int err = real ? WriteRun(at, run, in) : WriteLimbo(offset, run, in)) return err;
    offset += run, in += run;
  }
  return 0;
}

int FakeMedia::ReadLimbo(std::uint64_t offset, std::uint64_t length, std::uint8_t* out) {
  const std::uint64_t end = offset + length;
  std::uint8_t sector[kSector];
  while (offset < end) {
    std::uint64_t within = offset % kSector;
    std::uint64_t take = std::min(end - offset, kSector - within);
    if (int err = ReadSector(offset / kSector, sector)) return err;
    std::memcpy(out, sector + within, take);
    offset += take, out += take;
  }
  return 0;
}

int FakeMedia::WriteLimbo(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in) {
  const std::uint64_t end = offset + length;
  std::uint8_t sector[kSector];
  while (offset < end) {
    std::uint64_t within = offset % kSector;
    std::uint64_t take = std::min(end - offset, kSector - within);
    if (take < kSector) {  // a part of a sector: the rest is what the sector reads as now
      if (int err = ReadSector(offset / kSector, sector)) return err;
    }
    std::memcpy(sector + within, in, take);
    if (int err = WriteSector(offset / kSector, sector)) return err;
    offset += take, in += take;
  }
  return 0;
}

int FakeMedia::ReadFollowing(std::uint64_t offset, std::uint64_t length, std::uint8_t* out) {
  while (length) {
    const std::uint64_t block = offset / kFollowBlock, within = offset % kFollowBlock;
    const std::uint64_t run = std::min(length, kFollowBlock - within);
    int err = 0;
    if (const std::optional<std::uint64_t> unit = follow_.Find(block)) {
      err = ReadRun(*unit * kFollowBlock + within, run, out);
    } else if (follow_.Lost(block)) {
      err = ReadLimbo(offset, run, out);
    } else {
      std::memset(out, 0, run);  // the factory's zeros
    }
    if (err) return err;
    offset += run, out += run, length -= run;
  }
  return 0;
}

int FakeMedia::WriteFollowing(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in) {
  while (length) {
    const std::uint64_t block = offset / kFollowBlock, within = offset % kFollowBlock;
    const std::uint64_t run = std::min(length, kFollowBlock - within);
    int err = 0;
    if (const std::optional<platform::sim::FollowMap::Placement> placed = follow_.Place(block)) {
      const std::uint64_t physical = placed->unit * kFollowBlock;
      // A block given anew holds another block's data if it was evicted: what this write leaves
      // of it must read as zeros.
      if (placed->fresh && run < kFollowBlock &&
          ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(physical),
                      static_cast<off_t>(kFollowBlock)) != 0) {
        return errno;
      }
      err = WriteRun(physical + within, run, in);
    } else {
      err = WriteLimbo(offset, run, in);  // lost, but the stale fill sees it
    }
    if (err) return err;
    offset += run, in += run, length -= run;
  }
  return 0;
}

bool FakeMedia::FlakyFailure() {
  ++requests_;
  if (g_.failEvery == 0 || requests_ % g_.failEvery != 0) return false;
  ++counters_.flakyFailures;
  return true;
}

int FakeMedia::Read(std::uint64_t offset, std::uint64_t length, std::uint8_t* out) {
  std::lock_guard lock(mutex_);
  if (unplugged_) return EIO;
  if (offset > g_.sizeBytes || length > g_.sizeBytes - offset) return EINVAL;
  if (FlakyFailure()) return EIO;
  ++counters_.readRequests;
  counters_.sectorsRead += (length + kSector - 1) / kSector;
  std::uint64_t end = offset + length;
  switch (g_.kind) {
    case FakeKind::Genuine: return ReadRun(offset, length, out);
    case FakeKind::IoError:
      if (end > g_.realBytes && g_.readErrors) return EIO;
      if (end <= g_.realBytes) return ReadRun(offset, length, out);
      break;  // a readable place past the real memory: answered as limbo
    case FakeKind::Wraparound: return ReadWrapping(offset, length, out);
    case FakeKind::Follow: return ReadFollowing(offset, length, out);
    case FakeKind::Limbo: break;
  }
  if (offset < g_.realBytes) {
    std::uint64_t run = std::min(end, g_.realBytes) - offset;
    if (int err = ReadRun(offset, run, out)) return err;
    offset += run, out += run;
  }
  return ReadLimbo(offset, end - offset, out);
}

int FakeMedia::Write(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in) {
  std::lock_guard lock(mutex_);
  if (unplugged_) return EIO;
  if (offset > g_.sizeBytes || length > g_.sizeBytes - offset) return EINVAL;
  if (FlakyFailure()) return EIO;
  ++counters_.writeRequests;
  counters_.sectorsWritten += (length + kSector - 1) / kSector;
  std::uint64_t end = offset + length;
  switch (g_.kind) {
    case FakeKind::Genuine: return WriteRun(offset, length, in);
    case FakeKind::IoError:
      if (end > g_.realBytes && g_.writeErrors) return EIO;
      if (end <= g_.realBytes) return WriteRun(offset, length, in);
      break;  // writes past the real memory that do not fail are lost as in limbo
    case FakeKind::Wraparound: return WriteWrapping(offset, length, in);
    case FakeKind::Follow: return WriteFollowing(offset, length, in);
    case FakeKind::Limbo: break;
  }
  if (offset < g_.realBytes) {
    std::uint64_t run = std::min(end, g_.realBytes) - offset;
    if (int err = WriteRun(offset, run, in)) return err;
    offset += run, in += run;
  }
  return WriteLimbo(offset, end - offset, in);
}

}  // namespace sw::e2e
