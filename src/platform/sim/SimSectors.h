// The sectors of one simulated physical drive: a sparse store that behaves like a genuine or a
// counterfeit stick (wraparound at any size, limbo with its fill, chain, no memory at all,
// errors past the real memory) with the caches fakes put in front of it (the last N limbo
// writes, a direct-mapped cache, a read-ahead buffer).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sim/SimOs.h"

namespace sw::platform::sim {

inline constexpr std::uint32_t kSectorSize = 512;
using Sector = std::array<std::uint8_t, kSectorSize>;

class SectorStore {
 public:
  explicit SectorStore(const SimDriveSpec& config);

  std::uint64_t AnnouncedSectors() const { return announcedSectors_; }
  std::uint64_t RealSectors() const { return realSectors_; }

  // One sector at an announced address below AnnouncedSectors(). Each returns ERROR_SUCCESS
  // or the Win32 error the device reports for that sector. A read may be served by the
  // read-ahead buffer, which it then updates.
  std::uint32_t Write(std::uint64_t lba, const std::uint8_t* data);
  std::uint32_t Read(std::uint64_t lba, std::uint8_t* data);
  // What the device holds for the sector now (memory and write caches), ignoring read errors
  // and the read-ahead buffer.
  Sector Peek(std::uint64_t lba) const;

 private:
  // Where an announced address lands: on a real sector, or nowhere (limbo).
  struct Place {
    bool real;
    std::uint64_t physical;
  };
  Place Locate(std::uint64_t lba) const;
  void FillLimbo(std::uint64_t lba, std::uint8_t* data) const;
  void CacheLimboWrite(std::uint64_t lba, const std::uint8_t* data);
  // readerr: past the real memory; for a follower, the addresses whose data is gone.
  bool ReadFails(std::uint64_t lba) const;
  void WriteFollowing(std::uint64_t lba, const std::uint8_t* data);

  struct Slot {
    std::uint64_t lba = 0;
    Sector data{};
  };

  FakeKind kind_;
  LimboFill fill_;
  bool readErrors_;
  bool writeErrors_;
  std::uint32_t cacheSectors_;
  bool keepsPlace_;
  std::uint32_t directSectors_;
  bool looseDirect_;
  std::uint32_t readAheadSectors_;
  std::uint64_t announcedSectors_;
  std::uint64_t realSectors_;
  std::uint64_t wrapSectors_;  // 0: the kind's own rule

  std::unordered_map<std::uint64_t, Sector> sectors_;   // by physical sector; absent = zeros
  // The last limbo writes: each address's newest copy with the number of its write, and the
  // writes in order (older copies of an address are skipped when they reach the front).
  std::unordered_map<std::uint64_t, std::pair<std::uint64_t, Sector>> cache_;
  std::deque<std::pair<std::uint64_t, std::uint64_t>> cacheOrder_;
  std::uint64_t cacheWrites_ = 0;
  std::unordered_map<std::uint64_t, Slot> direct_;      // by slot; absent = empty
  Sector lastLimbo_{};                                  // the stale fill
  std::uint64_t readAheadFirst_ = 0;
  std::vector<Sector> readAhead_;                       // empty: nothing loaded

  FollowMap follow_;  // Follow: one unit a sector
};

}  // namespace sw::platform::sim
