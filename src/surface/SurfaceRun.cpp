// Counted, timed and polled transfers of the full-surface test.
#include "surface/SurfaceRun.h"

#include <random>

#include "core/Progress.h"
#include "diskio/PinnedDrive.h"

namespace sw::surface::detail {

namespace {
constexpr std::uint64_t kSector = 512;
}  // namespace

SurfaceRun::SurfaceRun(core::Context& c, const SurfaceOptions& o, std::uint64_t s)
    : ctx(c),
      options(o),
      salt(s),
      total(diskio::DriveSectors(c)),
      request(o.requestSectors > 0 ? o.requestSectors : RequestSectors(total)),
      random(s) {
  ctx.state.SectorBuffer.Resize(static_cast<std::size_t>(request) * kSector);
  findings.totalSectors = total;
  findings.regions.resize(options.regions == 0 ? 1 : options.regions);
}

RegionSpeed& SurfaceRun::RegionOf(std::int64_t sector) {
  const std::uint64_t n = findings.regions.size();
  const auto at = static_cast<std::uint64_t>(sector) * n / static_cast<std::uint64_t>(total);
  return findings.regions[at < n ? at : n - 1];
}

bool SurfaceRun::Write(std::int64_t sector, std::int32_t count) {
  if (lost_) return false;
  const std::uint32_t before = ctx.os.GetTickCount();
  const bool ok = diskio::WriteSectors(ctx, sector, count, diskio::Retry::Once, diskio::Flush::Later);
  const std::uint32_t ms = ctx.os.GetTickCount() - before;
  lastWrite_ = sector;
  const std::uint64_t bytes = static_cast<std::uint64_t>(count) * kSector;
  findings.writeMs += ms;
  RegionSpeed& region = RegionOf(sector);
  if (region.firstWrite < 0) region.firstWrite = sector;
  region.writeMs += ms;
  region.writeBytes += bytes;
  if (ok) {
    findings.bytesWritten += bytes;
    return true;
  }
  if (findings.failedWriteRequests++ == 0) findings.firstFailedWrite = sector;
  // A stick pulled out or swapped fails every write: once the pin says so, nothing more goes.
  if (diskio::CheckPinnedHandle(ctx, ctx.state.hDrive) != core::IdentityCheck::Same) lost_ = true;
  return false;
}

bool SurfaceRun::Flush() {
  if (lost_ || lastWrite_ < 0) return !lost_;
  const std::uint32_t before = ctx.os.GetTickCount();
  const bool ok = diskio::FlushDrive(ctx);
  const std::uint32_t ms = ctx.os.GetTickCount() - before;
  findings.writeMs += ms;
  RegionOf(lastWrite_).writeMs += ms;
  lastWrite_ = -1;
  if (ok) return true;
  if (findings.failedFlushes++ == 0) findings.firstFailedFlush = findings.writtenSectors;
  if (diskio::CheckPinnedHandle(ctx, ctx.state.hDrive) != core::IdentityCheck::Same) lost_ = true;
  return false;
}

bool SurfaceRun::Read(std::int64_t sector, std::int32_t count, diskio::Retry retry) {
  return Read(sector, count, retry, true);
}

bool SurfaceRun::ReadSample(std::int64_t sector, std::int32_t count) {
  return Read(sector, count, diskio::Retry::Once, false);
}

bool SurfaceRun::Read(std::int64_t sector, std::int32_t count, diskio::Retry retry, bool timed) {
  if (lost_) return false;
  const std::uint32_t before = ctx.os.GetTickCount();
  const bool ok = diskio::ReadSectors(ctx, sector, count, retry);
  const std::uint32_t ms = ctx.os.GetTickCount() - before;
  findings.readMs += ms;
  if (ok && timed && count > 1) {
    // Single-sector reads (samples, the search for bad sectors) say little of the speed.
    RegionSpeed& region = RegionOf(sector);
    region.readMs += ms;
    region.readBytes += static_cast<std::uint64_t>(count) * kSector;
  }
  if (ok) {
    findings.bytesRead += static_cast<std::uint64_t>(count) * kSector;
  } else if (++failedReads_; (failedReads_ & (failedReads_ - 1)) == 0) {
    // A fake that fails every read past its memory fails thousands: the pin is looked at after
    // the 1st, 2nd, 4th, 8th, ... failure, which finds a pulled stick at once and costs little.
    if (diskio::CheckPinnedHandle(ctx, ctx.state.hDrive) != core::IdentityCheck::Same) lost_ = true;
  }
  return ok;
}

bool SurfaceRun::Stopped() {
  if (lost_ || cancelled_) return true;
  ctx.win.DoEvents();
  if (ctx.state.CancelRequested) cancelled_ = true;
  return cancelled_;
}

void SurfaceRun::Progress(const std::string& phase, std::uint64_t done, std::uint64_t totalSteps,
                          std::uint64_t bytes, core::Direction direction) {
  core::ProgressUpdate u;
  u.phase = phase;
  u.done = done;
  u.total = totalSteps;
  u.bytesMoved = bytes;
  core::ReportProgress(ctx, u, direction);
}

}  // namespace sw::surface::detail
