// Raw 512-byte sector transfers of hDrive through SectorBuffer.
#include "diskio/SectorIO.h"

#include <cstddef>
#include <limits>
#include <span>

#include "core/Progress.h"
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

}  // namespace

bool ReadSectors(core::Context& ctx, std::int64_t sector, std::int32_t count) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, t.offset, &newPosition, win::FILE_BEGIN)) return false;
  std::uint32_t bytesRead = 0;
  const bool read = ctx.os.ReadFile(
      h, std::span<std::uint8_t>(ctx.state.SectorBuffer.data(), t.length), bytesRead);
  core::CountRead(ctx, t.length, read);
  return read;
}

bool WriteSectors(core::Context& ctx, std::int64_t sector, std::int32_t count) {
  Transfer t;
  if (!PlanTransfer(ctx, sector, count, t)) return false;
  const platform::Handle h = ctx.state.hDrive;
  std::int64_t newPosition = 0;
  if (!ctx.os.SetFilePointerEx(h, t.offset, &newPosition, win::FILE_BEGIN)) return false;
  const auto offset = static_cast<std::uint64_t>(t.offset);
  const std::uint64_t length = t.length;
  // The lock only keeps other handles off the range while it is written; a refused lock does
  // not stop the write.
  const bool locked = ctx.os.LockFile(h, Low(offset), High(offset), Low(length), High(length));
  std::uint32_t bytesWritten = 0;
  const bool written = ctx.os.WriteFile(
      h, std::span<const std::uint8_t>(ctx.state.SectorBuffer.data(), t.length), bytesWritten);
  core::CountWrite(ctx, t.length, written);
  if (written) ctx.os.FlushFileBuffers(h);
  // Released after a failed write as well (when it was granted), so that a failed write never
  // leaves its range locked until the handle is closed.
  if (written || locked) ctx.os.UnlockFile(h, Low(offset), High(offset), Low(length), High(length));
  return written;
}

}  // namespace sw::diskio
