// Sector-level behaviour of genuine and counterfeit simulated drives.
#include "platform/sim/SimSectors.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace sw::platform::sim {

namespace {

std::uint64_t RealSectorsOf(const SimDriveSpec& config) {
  if (config.noRealMemory) return 0;
  const std::uint64_t announced = config.announcedBytes / kSectorSize;
  if (config.realBytes == 0) return announced;
  return std::min(config.realBytes, config.announcedBytes) / kSectorSize;
}

}  // namespace

SectorStore::SectorStore(const SimDriveSpec& config)
    : kind_(config.kind),
      fill_(config.limboFill),
      readErrors_(config.readErrorsPastReal),
      writeErrors_(config.writeErrorsPastReal),
      cacheSectors_(config.writeCacheSectors),
      keepsPlace_(config.writeCacheKeepsPlace),
      directSectors_(config.directCacheSectors),
      looseDirect_(config.looseDirectCache),
      readAheadSectors_(config.readCacheSectors),
      announcedSectors_(config.announcedBytes / kSectorSize),
      realSectors_(RealSectorsOf(config)),
      wrapSectors_(config.wrapBytes / kSectorSize),
      follow_(realSectors_, config.followFull) {
  // A drive without memory cannot be genuine: everything past nothing is limbo.
  if (config.noRealMemory && kind_ == FakeKind::Good) kind_ = FakeKind::Limbo;
}

SectorStore::Place SectorStore::Locate(std::uint64_t lba) const {
  if (kind_ == FakeKind::Follow) {
    const std::optional<std::uint64_t> unit = follow_.Find(lba);
    return {unit.has_value(), unit.value_or(0)};
  }
  if (lba < realSectors_ || kind_ == FakeKind::Good) return {true, lba};
  if (realSectors_ == 0) return {false, 0};
  const bool wraps = kind_ == FakeKind::Wraparound || kind_ == FakeKind::Chain;
  if (wraps && wrapSectors_ > 0) {
    const std::uint64_t wrapped = lba % wrapSectors_;
    if (wrapped < realSectors_) return {true, wrapped};
    return {false, 0};
  }
  switch (kind_) {
    case FakeKind::Wraparound:
      return {true, lba % realSectors_};
    case FakeKind::Chain:
      if (lba / 2 < realSectors_) return {true, lba % realSectors_};
      return {false, 0};
    case FakeKind::Limbo:
    case FakeKind::Good:
    case FakeKind::Follow:
      break;
  }
  return {false, 0};
}

void SectorStore::FillLimbo(std::uint64_t lba, std::uint8_t* data) const {
  if (const auto cached = cache_.find(lba); cached != cache_.end()) {
    std::memcpy(data, cached->second.second.data(), kSectorSize);
    return;
  }
  if (directSectors_ > 0) {
    const auto slot = direct_.find(lba % directSectors_);
    if (slot != direct_.end() && (looseDirect_ || slot->second.lba == lba)) {
      std::memcpy(data, slot->second.data.data(), kSectorSize);
      return;
    }
  }
  switch (fill_) {
    case LimboFill::Zeros:
      std::memset(data, 0, kSectorSize);
      break;
    case LimboFill::Ones:
      std::memset(data, 0xFF, kSectorSize);
      break;
    case LimboFill::Stale:
      std::memcpy(data, lastLimbo_.data(), kSectorSize);
      break;
  }
}

void SectorStore::CacheLimboWrite(std::uint64_t lba, const std::uint8_t* data) {
  std::memcpy(lastLimbo_.data(), data, kSectorSize);
  const auto held = cache_.find(lba);
  if (cacheSectors_ > 0 && held != cache_.end() && keepsPlace_) {
    std::memcpy(held->second.second.data(), data, kSectorSize);
  } else if (cacheSectors_ > 0) {
    // The controller keeps the most recent writes it cannot store; an older copy of the
    // same address is superseded.
    auto& entry = cache_[lba];
    entry.first = ++cacheWrites_;
    std::memcpy(entry.second.data(), data, kSectorSize);
    cacheOrder_.emplace_back(lba, cacheWrites_);
    while (cache_.size() > cacheSectors_) {
      const auto [oldest, write] = cacheOrder_.front();
      cacheOrder_.pop_front();
      if (const auto found = cache_.find(oldest); found != cache_.end() && found->second.first == write) {
        cache_.erase(found);
      }
    }
  }
  if (directSectors_ > 0) {
    Slot& slot = direct_[lba % directSectors_];
    slot.lba = lba;
    std::memcpy(slot.data.data(), data, kSectorSize);
  }
}

bool SectorStore::ReadFails(std::uint64_t lba) const {
  if (!readErrors_) return false;
  if (kind_ == FakeKind::Follow) return follow_.Lost(lba);
  return lba >= realSectors_;
}

void SectorStore::WriteFollowing(std::uint64_t lba, const std::uint8_t* data) {
  const std::optional<FollowMap::Placement> placed = follow_.Place(lba);
  if (!placed) {
    CacheLimboWrite(lba, data);
    return;
  }
  std::memcpy(sectors_[placed->unit].data(), data, kSectorSize);
}

std::uint32_t SectorStore::Write(std::uint64_t lba, const std::uint8_t* data) {
  if (lba >= announcedSectors_) return win::ERROR_SECTOR_NOT_FOUND;
  if (kind_ == FakeKind::Follow) {
    // writeerr: a full follower that drops refuses the write instead.
    if (writeErrors_ && follow_.Refuses(lba)) return win::ERROR_WRITE_FAULT;
    WriteFollowing(lba, data);
    return win::ERROR_SUCCESS;
  }
  if (writeErrors_ && lba >= realSectors_) return win::ERROR_WRITE_FAULT;
  const Place place = Locate(lba);
  if (place.real) {
    std::memcpy(sectors_[place.physical].data(), data, kSectorSize);
  } else {
    CacheLimboWrite(lba, data);
  }
  return win::ERROR_SUCCESS;
}

std::uint32_t SectorStore::Read(std::uint64_t lba, std::uint8_t* data) {
  if (lba >= announcedSectors_) return win::ERROR_SECTOR_NOT_FOUND;
  if (ReadFails(lba)) return win::ERROR_CRC;
  if (readAheadSectors_ == 0) {
    const Sector sector = Peek(lba);
    std::memcpy(data, sector.data(), kSectorSize);
    return win::ERROR_SUCCESS;
  }
  const bool hit = !readAhead_.empty() && lba >= readAheadFirst_ &&
                   lba - readAheadFirst_ < readAhead_.size();
  if (!hit) {
    // The buffer ends at the end of the drive or at the first sector that would not read.
    readAhead_.clear();
    readAheadFirst_ = lba;
    for (std::uint64_t next = lba; next < announcedSectors_ && next - lba < readAheadSectors_;
         ++next) {
      if (ReadFails(next)) break;
      readAhead_.push_back(Peek(next));
    }
  }
  std::memcpy(data, readAhead_[lba - readAheadFirst_].data(), kSectorSize);
  return win::ERROR_SUCCESS;
}

Sector SectorStore::Peek(std::uint64_t lba) const {
  Sector sector{};
  if (lba >= announcedSectors_) return sector;
  const Place place = Locate(lba);
  if (!place.real) {
    // An address a follower never wrote holds the factory's zeros.
    if (kind_ != FakeKind::Follow || follow_.Lost(lba)) FillLimbo(lba, sector.data());
  } else if (const auto found = sectors_.find(place.physical); found != sectors_.end()) {
    sector = found->second;
  }
  return sector;
}

}  // namespace sw::platform::sim
