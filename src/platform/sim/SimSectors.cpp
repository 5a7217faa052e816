// Sector-level behaviour of genuine and counterfeit simulated drives.
#include "platform/sim/SimSectors.h"

#include <algorithm>
#include <cstring>

namespace sw::platform::sim {

SectorStore::SectorStore(const SimDriveSpec& config)
    : kind_(config.kind),
      fill_(config.limboFill),
      readErrors_(config.readErrorsPastReal),
      writeErrors_(config.writeErrorsPastReal),
      cacheSectors_(config.writeCacheSectors),
      announcedSectors_(config.announcedBytes / kSectorSize),
      realSectors_(config.realBytes == 0
                       ? announcedSectors_
                       : std::min(config.realBytes, config.announcedBytes) / kSectorSize) {}

SectorStore::Place SectorStore::Locate(std::uint64_t lba) const {
  if (lba < realSectors_ || kind_ == FakeKind::Good) return {true, lba};
  if (realSectors_ == 0) return {false, 0};
  switch (kind_) {
    case FakeKind::Wraparound:
      return {true, lba % realSectors_};
    case FakeKind::Chain:
      if (lba / 2 < realSectors_) return {true, lba % realSectors_};
      return {false, 0};
    case FakeKind::Limbo:
    case FakeKind::Good:
      break;
  }
  return {false, 0};
}

void SectorStore::FillLimbo(std::uint64_t lba, std::uint8_t* data) const {
  const auto cached = std::find_if(cache_.rbegin(), cache_.rend(),
                                   [lba](const auto& entry) { return entry.first == lba; });
  if (cached != cache_.rend()) {
    std::memcpy(data, cached->second.data(), kSectorSize);
    return;
  }
  switch (fill_) {
    case LimboFill::Zeros:
      std::memset(data, 0, kSectorSize);
      break;
    case LimboFill::Ones:
      std::memset(data, 0xFF, kSectorSize);
      break;
    case LimboFill::Stale:
      std::memcpy(data, lastWritten_.data(), kSectorSize);
      break;
  }
}

std::uint32_t SectorStore::Write(std::uint64_t lba, const std::uint8_t* data) {
  if (lba >= announcedSectors_) return win::ERROR_SECTOR_NOT_FOUND;
  if (writeErrors_ && lba >= realSectors_) return win::ERROR_WRITE_FAULT;
  std::memcpy(lastWritten_.data(), data, kSectorSize);
  const Place place = Locate(lba);
  if (place.real) {
    std::memcpy(sectors_[place.physical].data(), data, kSectorSize);
  } else if (cacheSectors_ > 0) {
    // The controller keeps the most recent writes it cannot store; an older copy of the
    // same address is superseded.
    std::erase_if(cache_, [lba](const auto& entry) { return entry.first == lba; });
    Sector copy;
    std::memcpy(copy.data(), data, kSectorSize);
    cache_.emplace_back(lba, copy);
    if (cache_.size() > cacheSectors_) cache_.pop_front();
  }
  return win::ERROR_SUCCESS;
}

std::uint32_t SectorStore::Read(std::uint64_t lba, std::uint8_t* data) const {
  if (lba >= announcedSectors_) return win::ERROR_SECTOR_NOT_FOUND;
  if (readErrors_ && lba >= realSectors_) return win::ERROR_CRC;
  const Place place = Locate(lba);
  if (!place.real) {
    FillLimbo(lba, data);
    return win::ERROR_SUCCESS;
  }
  const auto found = sectors_.find(place.physical);
  if (found == sectors_.end()) {
    std::memset(data, 0, kSectorSize);
  } else {
    std::memcpy(data, found->second.data(), kSectorSize);
  }
  return win::ERROR_SUCCESS;
}

Sector SectorStore::Peek(std::uint64_t lba) const {
  Sector sector{};
  if (lba >= announcedSectors_) return sector;
  const Place place = Locate(lba);
  if (!place.real) {
    FillLimbo(lba, sector.data());
  } else if (const auto found = sectors_.find(place.physical); found != sectors_.end()) {
    sector = found->second;
  }
  return sector;
}

}  // namespace sw::platform::sim
