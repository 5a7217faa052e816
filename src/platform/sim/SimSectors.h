// The sectors of one simulated physical drive: a sparse store that behaves like a genuine or a
// counterfeit stick (wraparound, limbo with its fill and write cache, chain, errors past the
// real memory).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <utility>

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
  // or the Win32 error the device reports for that sector.
  std::uint32_t Write(std::uint64_t lba, const std::uint8_t* data);
  std::uint32_t Read(std::uint64_t lba, std::uint8_t* data) const;
  // What a read of the sector returns now, ignoring read errors.
  Sector Peek(std::uint64_t lba) const;

 private:
  // Where an announced address lands: on a real sector, or nowhere (limbo).
  struct Place {
    bool real;
    std::uint64_t physical;
  };
  Place Locate(std::uint64_t lba) const;
  void FillLimbo(std::uint64_t lba, std::uint8_t* data) const;

  FakeKind kind_;
  LimboFill fill_;
  bool readErrors_;
  bool writeErrors_;
  std::uint32_t cacheSectors_;
  std::uint64_t announcedSectors_;
  std::uint64_t realSectors_;

  std::unordered_map<std::uint64_t, Sector> sectors_;   // by physical sector; absent = zeros
  std::deque<std::pair<std::uint64_t, Sector>> cache_;  // limbo writes by announced address
  Sector lastWritten_{};
};

}  // namespace sw::platform::sim
