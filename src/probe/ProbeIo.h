// The probe's transfers on the open drive: counted and timed, every sector it overwrites saved
// first (unless destructive) and listed until it holds its old bytes again.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "core/Context.h"
#include "probe/SaltedBlock.h"

namespace sw::probe {

struct IoFigures {
  std::uint64_t sectorReads = 0;
  std::uint64_t sectorWrites = 0;
  std::uint64_t readRequests = 0;
  std::uint64_t writeRequests = 0;
  std::uint64_t readMs = 0;
  std::uint64_t writeMs = 0;
};

class ProbeIo {
 public:
  // Transfers go through SectorBuffer on hDrive, which the caller has opened. Longest run of
  // sectors moved in one request: enough to keep a stick streaming, small enough for any driver.
  static constexpr std::int32_t kMaxRun = 64;

  ProbeIo(core::Context& ctx, bool destructive);
  ~ProbeIo();  // restores whatever a way out left changed
  ProbeIo(const ProbeIo&) = delete;
  ProbeIo& operator=(const ProbeIo&) = delete;

  // count (1..kMaxRun) sectors from first into out (count x 512 bytes); false on failure.
  bool Read(std::int64_t first, std::int32_t count, std::span<std::uint8_t> out);
  bool Write(std::int64_t first, std::int32_t count, std::span<const std::uint8_t> in);

  // Saves a sector the probe is about to overwrite (does nothing when destructive). False when
  // it cannot be read: such a sector must not be written, since it could not be put back.
  bool Save(std::int64_t sector);
  // Writes a probe block into a saved sector; the sector is listed as changed before the write,
  // since a failed write may still have changed it.
  bool WriteBlock(std::int64_t sector, std::span<const std::uint8_t> block);
  // Writes every listed sector's saved bytes back, the last written first. Returns the sectors that could not be
  // restored (they stay listed); empty when all were, or when destructive.
  std::vector<std::int64_t> Restore();

  bool destructive() const { return destructive_; }
  const IoFigures& figures() const { return figures_; }
  std::size_t changedCount() const { return changed_.size(); }

 private:
  core::Context& ctx_;
  bool destructive_;
  IoFigures figures_;
  std::map<std::int64_t, std::array<std::uint8_t, kBlockBytes>> saved_;
  // In the order written. Put back last first: on a drive whose addresses wrap, a sector saved
  // after an alias of it was written holds that probe block, and only undoing the writes in
  // reverse leaves every place with the bytes it held before the run.
  std::vector<std::int64_t> changed_;
};

}  // namespace sw::probe
