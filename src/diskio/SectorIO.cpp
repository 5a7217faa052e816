// Raw 512-byte sector transfers of hDrive through SectorBuffer, each checked to its last byte and
// its flush, and tried once more when it fails.
#include "diskio/SectorIO.h"

#include <cstddef>
#include <limits>
#include <span>

#include "core/Progress.h"
#include "diskio/PinnedDrive.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

struct Transfer {
  std::int64_t offset = 0;
  std::uint32_t length = 0;
};

// The byte range of a transfer, or false when it cannot be carried out safely: a count that is
// not positive, a transfer larger than SectorBuffer (the system would write past its end), or a
// sector whose byte offset is negative or does not fit 64 bits.
bool PlanTransfer(const core::Context& ctx, std::int64_t sector, std::int32_t count, Transfer& t) {
  if (count <= 0 || sector < 0) return false;
  if (sector > std::numeric_limits<std::int64_t>::max() / kSectorBytes) return false;
  const std::int64_t length = std::int64_t{count} * kSectorBytes;
  if (static_cast<std::uint64_t>(length) > ctx.state.SectorBuffer.size()) return false;
  if (length > std::numeric_limits<std::int32_t>::max()) return false;
  t.offset = sector * kSectorBytes;
  t.length = static_cast<std::uint32_t>(length);
  return true;
}

std::uint32_t Low(std::uint64_t v) { return static_cast<std::uint32_t>(v & 0xFFFFFFFFu); }
std::uint32_t High(std::uint64_t v) { return static_cast<std::uint32_t>(v >> 32); }

// The result of one attempt, with the last error of the call that failed (read at once: a later
// call, the unlock, would overwrite it).
struct Attempt {
  bool ok = false;
  std::uint32_t error = 0;
};

Attempt Failure(core::Context& ctx) { return {false, ctx.os.GetLastError()}; }

// One read: the seek, then the whole length or nothing (a short read leaves stale bytes at the
// end of the buffer).
Attempt ReadOnce(core::Context& ctx, const Transfer& t) {
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, t.offset, &newPosition, win::FILE_BEGIN)) return Failure(ctx);
  std::uint32_t bytesRead = 0;
  if (!ctx.os.ReadFile(h, std::span<std::uint8_t>(ctx.state.SectorBuffer.data(), t.length), bytesRead)) {
    return Failure(ctx);
  }
  if (bytesRead != t.length) return {false, win::ERROR_HANDLE_EOF};
  return {true, 0};
}

// One write: the seek, the range lock, the write of the whole length and the flush. A flush
// that fails leaves the bytes somewhere between the system and the flash: the write failed.
Attempt WriteOnce(core::Context& ctx, const Transfer& t) {
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, t.offset, &newPosition, win::FILE_BEGIN)) return Failure(ctx);
  const auto offset = static_cast<std::uint64_t>(t.offset);
  const std::uint64_t length = t.length;
  // The lock only keeps other handles off the range while it is written; a refused lock does
  // not stop the write.
  const bool locked = ctx.os.LockFile(h, Low(offset), High(offset), Low(length), High(length));
  std::uint32_t bytesWritten = 0;
  const bool accepted = ctx.os.WriteFile(
      h, std::span<const std::uint8_t>(ctx.state.SectorBuffer.data(), t.length), bytesWritten);
  Attempt result{accepted, 0};
  if (!accepted) {
    result = Failure(ctx);
  } else if (bytesWritten != t.length) {
    result = {false, win::ERROR_WRITE_FAULT};
  } else if (!ctx.os.FlushFileBuffers(h)) {
    result = Failure(ctx);
  }
  // Released after a failed write as well (when it was granted), so that a failed write never
  // leaves its range locked until the handle is closed.
  if (accepted || locked) ctx.os.UnlockFile(h, Low(offset), High(offset), Low(length), High(length));
  return result;
}

// The identity check reads the system's device tables (sysfs and udev on Linux, milliseconds):
// a fake that fails every transfer past its memory would spend most of a test in it, four times
// longer on the quick test of a 4 GiB one. A drive found there within this time is taken as
// still there; a pulled one is most often told by its error already.
constexpr std::uint32_t kPinStillThereMs = 1000;

// A second attempt can rescue a transfer that a loose cable or a USB hiccup broke, never one of
// a drive that is gone: a stick that disappears and comes back (a USB reset) may come back as
// another device, and the handle reaches nothing then.
bool WorthRetrying(core::Context& ctx, const Attempt& failed) {
  if (IsNoDeviceError(failed.error) || failed.error == win::ERROR_DEV_NOT_EXIST ||
      failed.error == win::ERROR_INVALID_HANDLE) {
    return false;
  }
  core::State& st = ctx.state;
  // Outside a test hDrive may be any drive being listed; only during one is it the pinned drive.
  if (!st.TestRunning) return true;
  const std::uint32_t now = ctx.os.GetTickCount();
  if (st.PinSeenAfterFailureTick && now - *st.PinSeenAfterFailureTick < kPinStillThereMs) return true;
  if (CheckPinnedHandle(ctx, st.hDrive) != core::IdentityCheck::Same) return false;
  st.PinSeenAfterFailureTick = now;
  return true;
}

template <typename Once>
bool Transferred(core::Context& ctx, const Transfer& t, Retry retry, Once once) {
  const Attempt first = once(ctx, t);
  if (first.ok) return true;
  if (retry == Retry::None || !WorthRetrying(ctx, first)) return false;
  return once(ctx, t).ok;
}

}  // namespace

bool ReadSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const bool read = Transferred(ctx, t, retry, ReadOnce);
  core::CountRead(ctx, t.length, read);
  return read;
}

bool WriteSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const bool written = Transferred(ctx, t, retry, WriteOnce);
  core::CountWrite(ctx, t.length, written);
  return written;
}

}  // namespace sw::diskio
