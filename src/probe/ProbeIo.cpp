// Counted, timed, saved and restorable transfers of the probe.
#include "probe/ProbeIo.h"

#include <algorithm>
#include <cstring>

#include "diskio/SectorIO.h"

namespace sw::probe {

ProbeIo::ProbeIo(core::Context& ctx, bool destructive) : ctx_(ctx), destructive_(destructive) {
  ctx_.state.SectorBuffer.Resize(static_cast<std::size_t>(kMaxRun) * kBlockBytes);
}

ProbeIo::~ProbeIo() {
  Restore();
  ctx_.state.SectorBuffer.Resize(kBlockBytes);
}

bool ProbeIo::Read(std::int64_t first, std::int32_t count, std::span<std::uint8_t> out) {
  if (count < 1 || count > kMaxRun || out.size() < static_cast<std::size_t>(count) * kBlockBytes) return false;
  const std::uint32_t before = ctx_.os.GetTickCount();
  const bool ok = diskio::ReadSectors(ctx_, first, count);
  figures_.readMs += ctx_.os.GetTickCount() - before;
  ++figures_.readRequests;
  figures_.sectorReads += static_cast<std::uint64_t>(count);
  if (ok) std::memcpy(out.data(), ctx_.state.SectorBuffer.data(), static_cast<std::size_t>(count) * kBlockBytes);
  return ok;
}

bool ProbeIo::Write(std::int64_t first, std::int32_t count, std::span<const std::uint8_t> in) {
  if (count < 1 || count > kMaxRun || in.size() < static_cast<std::size_t>(count) * kBlockBytes) return false;
  std::memcpy(ctx_.state.SectorBuffer.data(), in.data(), static_cast<std::size_t>(count) * kBlockBytes);
  const std::uint32_t before = ctx_.os.GetTickCount();
  const bool ok = diskio::WriteSectors(ctx_, first, count);
  figures_.writeMs += ctx_.os.GetTickCount() - before;
  ++figures_.writeRequests;
  figures_.sectorWrites += static_cast<std::uint64_t>(count);
  return ok;
}

bool ProbeIo::Save(std::int64_t sector) {
  if (destructive_ || saved_.contains(sector)) return true;
  std::array<std::uint8_t, kBlockBytes> bytes{};
  if (!Read(sector, 1, bytes)) return false;
  saved_.emplace(sector, bytes);
  return true;
}

bool ProbeIo::WriteBlock(std::int64_t sector, std::span<const std::uint8_t> block) {
  if (!destructive_) {
    if (!saved_.contains(sector)) return false;
    changed_.push_back(sector);
  }
  if (Write(sector, 1, block)) return true;
  // A refused write usually left the sector as it was; one that reads back its saved bytes needs
  // no restoring (and a drive that refuses every write there could never be restored).
  std::array<std::uint8_t, kBlockBytes> now{};
  if (!destructive_ && Read(sector, 1, now) && now == saved_.at(sector)) changed_.pop_back();
  return false;
}

std::vector<std::int64_t> ProbeIo::Restore() {
  std::vector<std::int64_t> failed;
  for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
    if (!Write(*it, 1, saved_.at(*it))) failed.push_back(*it);
  }
  changed_.assign(failed.rbegin(), failed.rend());
  return failed;
}

}  // namespace sw::probe
