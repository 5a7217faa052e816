// Counted, timed and polled sector transfers of the probe.
#include "probe/ProbeIo.h"

#include "core/Progress.h"
#include "diskio/PinnedDrive.h"
#include "diskio/SectorIO.h"

namespace sw::probe::detail {

namespace {
// Cancel is looked at after this much time or this many requests, whichever comes first, so
// that a slow drive and a fast simulated one both answer the button within a fraction of a second.
constexpr std::uint32_t kPollMs = 200;
constexpr std::uint32_t kPollRequests = 256;
constexpr std::uint64_t kSector = 512;
}  // namespace

ProbeIo::ProbeIo(core::Context& ctx, std::uint64_t writeBudget)
    : ctx_(ctx), writeBudget_(writeBudget), lastPoll_(ctx.os.GetTickCount()) {
  ctx_.state.SectorBuffer.Resize(kChunkSectors * kSector);
}

std::uint8_t* ProbeIo::Data() { return ctx_.state.SectorBuffer.data(); }

bool ProbeIo::Read(std::int64_t sector, std::int32_t count) {
  if (lost_) return false;
  Poll();
  const std::uint32_t before = ctx_.os.GetTickCount();
  const bool ok = diskio::ReadSectors(ctx_, sector, count);
  readMs += ctx_.os.GetTickCount() - before;
  ++readRequests;
  phaseBytes_ += static_cast<std::uint64_t>(count) * kSector;
  if (ok) {
    sectorsRead += static_cast<std::uint64_t>(count);
  } else if (++failedReads_; (failedReads_ & (failedReads_ - 1)) == 0) {
    // A drive that fails reads past its memory fails thousands; the identity check (sysfs on
    // Linux) after the 1st, 2nd, 4th, 8th, ... keeps that quick, and a lost drive is caught
    // at the latest by the next write, which is always checked.
    CheckDrive();
  }
  return ok;
}

bool ProbeIo::Write(std::int64_t sector, std::int32_t count) {
  if (lost_ || (!restoring_ && Stopped())) return false;
  if (!restoring_ && sectorsWritten + reserved_ + static_cast<std::uint64_t>(count) > writeBudget_) {
    overBudget_ = true;
    return false;
  }
  if (!restoring_) Poll();
  if (!restoring_ && cancelled_) return false;
  if (!restoring_ && beforeWrite_ && !beforeWrite_()) {
    unjournaled_ = true;
    return false;
  }
  const std::uint32_t before = ctx_.os.GetTickCount();
  const bool ok = diskio::WriteSectors(ctx_, sector, count);
  writeMs += ctx_.os.GetTickCount() - before;
  ++writeRequests;
  phaseBytes_ += static_cast<std::uint64_t>(count) * kSector;
  if (ok) {
    sectorsWritten += static_cast<std::uint64_t>(count);
  } else {
    ++failedWrites;
    // A stick pulled out or swapped makes every transfer fail: once the pin says so, not one
    // more sector is written, the restore included.
    CheckDrive();
  }
  return ok;
}

void ProbeIo::CheckDrive() {
  if (diskio::CheckPinnedHandle(ctx_, ctx_.state.hDrive) != core::IdentityCheck::Same) lost_ = true;
}

void ProbeIo::Poll() {
  const std::uint32_t now = ctx_.os.GetTickCount();
  if (++requestsSincePoll_ < kPollRequests && now - lastPoll_ < kPollMs) return;
  requestsSincePoll_ = 0;
  lastPoll_ = now;
  // The live line moves with the bytes, not only at the steps the phases report.
  if (!phase_.empty()) Progress(phase_, phaseDone_, phaseTotal_);
  ctx_.win.DoEvents();
  if (ctx_.state.CancelRequested) cancelled_ = true;
}

void ProbeIo::Progress(const std::string& phase, std::uint64_t done, std::uint64_t total) {
  if (phase != phase_) {
    phase_ = phase;
    phaseBytes_ = 0;
  }
  phaseDone_ = done;
  phaseTotal_ = total;
  core::ProgressUpdate u;
  u.phase = phase;
  u.done = done;
  u.total = total;
  u.bytesMoved = phaseBytes_;
  // Every phase of the probe both writes and reads: its bytes count for neither average speed,
  // which come from the latencies of the requests.
  core::ReportProgress(ctx_, u, core::Direction::Both);
}

}  // namespace sw::probe::detail
