// Raw 512-byte sector transfers of hDrive through SectorBuffer, each checked to its last byte and
// its flush, and tried once more when it fails; on a 4Kn drive in whole sectors of its own.
#include "diskio/SectorIO.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <span>

#include "core/Progress.h"
#include "diskio/DiskIdentity.h"
#include "diskio/PinnedDrive.h"
#include "platform/ByteOrder.h"
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

// One read at offset: the seek, then the whole length or nothing (a short read leaves stale bytes
// at the end of the buffer).
Attempt ReadAt(core::Context& ctx, std::int64_t offset, std::span<std::uint8_t> into) {
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, offset, &newPosition, win::FILE_BEGIN)) return Failure(ctx);
  std::uint32_t bytesRead = 0;
  if (!ctx.os.ReadFile(h, into, bytesRead)) return Failure(ctx);
  if (bytesRead != into.size()) return {false, win::ERROR_HANDLE_EOF};
  return {true, 0};
}

// One write at offset: the seek, the range lock, the write of the whole length and the flush. A
// flush that fails leaves the bytes somewhere between the system and the flash: the write failed.
Attempt WriteAt(core::Context& ctx, std::int64_t offset, std::span<const std::uint8_t> from, Flush flush) {
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, offset, &newPosition, win::FILE_BEGIN)) return Failure(ctx);
  const auto at = static_cast<std::uint64_t>(offset);
  const std::uint64_t length = from.size();
  // The lock only keeps other handles off the range while it is written; a refused lock does
  // not stop the write.
  const bool locked = ctx.os.LockFile(h, Low(at), High(at), Low(length), High(length));
  std::uint32_t bytesWritten = 0;
  const bool accepted = ctx.os.WriteFile(h, from, bytesWritten);
  Attempt result{accepted, 0};
  if (!accepted) {
    result = Failure(ctx);
  } else if (bytesWritten != from.size()) {
    result = {false, win::ERROR_WRITE_FAULT};
  } else if (flush == Flush::Now && !ctx.os.FlushFileBuffers(h)) {
    result = Failure(ctx);
  }
  // Released after a failed write as well (when it was granted), so that a failed write never
  // leaves its range locked until the handle is closed.
  if (accepted || locked) ctx.os.UnlockFile(h, Low(at), High(at), Low(length), High(length));
  return result;
}

// The drive's own sectors that hold a transfer: a 4Kn drive takes whole 4,096-byte sectors
// only, so 512-byte sectors are read out of them and written into them.
struct Around {
  std::int64_t first = 0;
  std::uint32_t length = 0;
  std::uint32_t block = 0;
  bool Whole(const Transfer& t) const { return first == t.offset && length == t.length; }
};

Around AroundOf(const Transfer& t, std::uint32_t block) {
  const std::int64_t first = t.offset / block * block;
  const std::int64_t end = (t.offset + t.length + block - 1) / block * block;
  return {first, static_cast<std::uint32_t>(end - first), block};
}

std::span<std::uint8_t> Caller(core::Context& ctx, const Transfer& t) {
  return {ctx.state.SectorBuffer.data(), t.length};
}

Attempt ReadOnce(core::Context& ctx, const Transfer& t) {
  const Around a = AroundOf(t, DriveSectorBytes(ctx));
  if (a.Whole(t)) return ReadAt(ctx, t.offset, Caller(ctx, t));
  core::AlignedBuffer& scratch = ctx.state.BlockScratch;
  scratch.Resize(a.length);
  const Attempt read = ReadAt(ctx, a.first, scratch.span());
  if (read.ok) std::memcpy(ctx.state.SectorBuffer.data(), scratch.data() + (t.offset - a.first), t.length);
  return read;
}

// Writes into part of a drive sector keep the rest of it: its first and last sector are read
// first (one read when they are the same), so that no byte the caller did not give changes.
Attempt WriteOnce(core::Context& ctx, const Transfer& t, Flush flush) {
  const Around a = AroundOf(t, DriveSectorBytes(ctx));
  if (a.Whole(t)) return WriteAt(ctx, t.offset, Caller(ctx, t), flush);
  core::AlignedBuffer& scratch = ctx.state.BlockScratch;
  scratch.Resize(a.length);
  const std::span<std::uint8_t> all = scratch.span();
  if (t.offset != a.first) {
    const Attempt head = ReadAt(ctx, a.first, all.first(a.block));
    if (!head.ok) return head;
  }
  const bool tailPart = t.offset + t.length != a.first + a.length;
  const bool tailIsHead = a.length == a.block && t.offset != a.first;
  if (tailPart && !tailIsHead) {
    const Attempt tail = ReadAt(ctx, a.first + a.length - a.block, all.last(a.block));
    if (!tail.ok) return tail;
  }
  std::memcpy(scratch.data() + (t.offset - a.first), ctx.state.SectorBuffer.data(), t.length);
  return WriteAt(ctx, a.first, all, flush);
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

std::int64_t DriveSectors(core::Context& ctx) {
  const std::int64_t length = GetDiskLength(ctx, ctx.state.hDrive);
  if (length > 0) return length / kSectorBytes;
  return static_cast<std::int64_t>(std::floor(ctx.state.DriveSizeBytes / kSectorBytes));
}

std::uint32_t DriveSectorBytes(core::Context& ctx) {
  core::State& st = ctx.state;
  if (st.DriveSectorBytes != 0) return st.DriveSectorBytes;
  std::array<std::uint8_t, win::kDiskGeometrySize> geometry{};
  std::uint32_t got = 0;
  std::uint32_t bytes = kSectorBytes;
  if (ctx.os.DeviceIoControl(st.hDrive, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, geometry, got) &&
      got >= geometry.size()) {
    const std::uint32_t said = platform::le32(geometry, win::kDiskGeometryBytesPerSector);
    // Up to the alignment of the transfer buffers; larger logical sectors are not made.
    if (std::has_single_bit(said) && said >= kSectorBytes && said <= core::AlignedBuffer::kAlignment) bytes = said;
  }
  st.DriveSectorBytes = bytes;
  return bytes;
}

bool ReadSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const bool read = Transferred(ctx, t, retry, ReadOnce);
  core::CountRead(ctx, t.length, read);
  return read;
}

bool WriteSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry, Flush flush) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const bool written =
      Transferred(ctx, t, retry, [flush](core::Context& c, const Transfer& tr) { return WriteOnce(c, tr, flush); });
  core::CountWrite(ctx, t.length, written);
  return written;
}

bool FlushDrive(core::Context& ctx) { return ctx.os.FlushFileBuffers(ctx.state.hDrive); }

}  // namespace sw::diskio
