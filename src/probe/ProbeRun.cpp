// The block-level moves of a probe run.
#include "probe/ProbeRun.h"

#include <span>

namespace sw::probe::detail {

namespace {
std::span<std::uint8_t> SectorAt(ProbeIo& io, std::int64_t index) {
  return {io.Data() + static_cast<std::size_t>(index) * kBlockBytes, kBlockBytes};
}
}  // namespace

Put ProbeRun::PutBlock(std::int64_t sector, std::uint32_t gen) {
  if (io.Stopped()) return Put::Stopped;
  const bool firstWrite = !journal.Saved(sector);
  if (!journal.Save(sector, 1)) return io.Stopped() ? Put::Stopped : Put::Unreadable;
  FillBlock(salt, {sector, gen}, SectorAt(io, 0));
  if (io.Write(sector, 1)) return Put::Written;
  // A sector past the real memory of a fake that fails its writes: nothing to put back there.
  if (firstWrite && !io.Lost()) journal.ForgetLast(sector);
  return io.Stopped() ? Put::Stopped : Put::Unwritable;
}

Got ProbeRun::GetBlock(std::int64_t sector) {
  Got got;
  got.readOk = io.Read(sector, 1);
  if (got.readOk) got.id = IdentifyBlock(salt, SectorAt(io, 0), total, generation);
  return got;
}

bool ProbeRun::Holds(std::int64_t sector, std::uint32_t gen) {
  const Got got = GetBlock(sector);
  return got.readOk && got.id == BlockId{sector, gen};
}

void ProbeRun::RefreshReadAhead() {
  if (farSector < 0) farSector = total - 1;
  // A drive that fails reads past its memory pays a failed read once per halving, not per call.
  while (!io.Read(farSector, 1) && farSector > 1 && !io.Stopped()) farSector /= 2;
  io.Read(0, 1);
}

bool ProbeRun::Flood(std::int64_t first, std::int64_t count,
                     const std::unordered_set<std::int64_t>& keepOff) {
  const std::uint32_t gen = NextGeneration();
  std::int64_t at = std::max<std::int64_t>(0, first);
  const std::int64_t end = std::min(total, first + count);
  while (at < end && !io.Stopped()) {
    if (keepOff.count(at) != 0) {
      ++at;
      continue;
    }
    if (floodLeft <= 0) return false;
    std::int32_t n = 0;
    while (n < ProbeIo::kChunkSectors && n < floodLeft && at + n < end && keepOff.count(at + n) == 0) ++n;
    floodLeft -= n;
    bool ready = true;
    if (destructive) {
      for (std::int32_t i = 0; i < n; ++i) FillBlock(salt, {at + i, gen}, SectorAt(io, i));
    } else if (io.Read(at, n)) {
      for (std::int32_t i = 0; i < n; ++i) {
        if (IdentifyBlock(salt, SectorAt(io, i), total, generation)) {
          FillBlock(salt, {at + i, gen}, SectorAt(io, i));
        }
      }
    } else {
      ready = false;  // unreadable: not written, so nothing is lost
    }
    if (ready) io.Write(at, n);
    at += n;
  }
  return !io.Stopped();
}

}  // namespace sw::probe::detail
