// The steps of the fix, each checked before the next; the first that fails ends it.
#include "fix/FixRun.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Log.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/PinnedDrive.h"
#include "diskio/SectorIO.h"
#include "fix/DriveLayout.h"
#include "fix/Fat32Writer.h"
#include "fix/FileSystemSize.h"
#include "fix/FixTexts.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace sw::fix {

namespace {

constexpr std::uint64_t kSector = 512;
constexpr char kMarkMagic[] = "SWFIXMRK";
constexpr std::size_t kMarkMagicSize = 8;

// A mark names its sector and the run, so that a sector that holds another's mark, or an older
// run's, is told from one that kept its own.
void FillMark(std::uint8_t* b, std::int64_t sector, std::uint64_t salt) {
  std::span<std::uint8_t> s(b, kSector);
  std::memcpy(b, kMarkMagic, kMarkMagicSize);
  platform::PutLe64(s, 8, static_cast<std::uint64_t>(sector));
  platform::PutLe64(s, 16, salt);
  for (std::size_t i = 24; i < kSector; ++i) b[i] = static_cast<std::uint8_t>((i * 31) ^ static_cast<std::uint64_t>(sector) ^ salt);
}

bool HoldsMark(const std::uint8_t* b, std::int64_t sector, std::uint64_t salt) {
  std::uint8_t want[kSector];
  FillMark(want, sector, salt);
  return std::memcmp(want, b, kSector) == 0;
}

std::int64_t LastSector512(const FixPlan& plan) {
  return static_cast<std::int64_t>((plan.firstByte + plan.lengthBytes) / kSector) - 1;
}

bool Control(core::Context& ctx, std::uint32_t code, std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  std::uint32_t returned = 0;
  return ctx.os.DeviceIoControl(ctx.state.hDrive, code, in, out, returned);
}

std::string ErrorWords(core::Context& ctx, const char* what) {
  return std::string(what) + " (error " + std::to_string(ctx.os.GetLastError()) + ")";
}

// Writes every mark, the last sector's last, then reads them all back.
FixOutcome Mark(core::Context& ctx, const FixPlan& plan, std::uint64_t salt) {
  std::vector<std::int64_t> sectors = MarkedSectors(plan);
  ctx.state.SectorBuffer.Resize(kSector);
  for (auto it = sectors.rbegin(); it != sectors.rend(); ++it) {
    FillMark(ctx.state.SectorBuffer.data(), *it, salt);
    if (!diskio::WriteSectors(ctx, *it, 1)) {
      return {FixEnd::MarksLost, ErrorWords(ctx, "writing sector ") + std::to_string(*it), {}};
    }
  }
  for (std::int64_t s : sectors) {
    if (!diskio::ReadSectors(ctx, s, 1)) return {FixEnd::MarksLost, "reading sector " + std::to_string(s), {}};
    if (!HoldsMark(ctx.state.SectorBuffer.data(), s, salt)) {
      return {FixEnd::MarksLost, "sector " + std::to_string(s) + " does not hold what was written there", {}};
    }
  }
  return {};
}

TableIds NewIds(std::uint64_t salt) {
  TableIds ids;
  ids.signature = static_cast<std::uint32_t>(salt ^ (salt >> 32));
  if (ids.signature == 0) ids.signature = 1;
  for (std::size_t i = 0; i < 16; ++i) {
    ids.diskId[i] = static_cast<std::uint8_t>(salt >> ((i % 8) * 8)) ^ static_cast<std::uint8_t>(i * 17);
    ids.partitionId[i] = static_cast<std::uint8_t>(salt >> ((i % 8) * 8)) ^ static_cast<std::uint8_t>(i * 29 + 5);
  }
  // Version 4 (random) GUIDs, as the system makes them.
  for (Guid* g : {&ids.diskId, &ids.partitionId}) {
    (*g)[7] = static_cast<std::uint8_t>(((*g)[7] & 0x0F) | 0x40);
    (*g)[8] = static_cast<std::uint8_t>(((*g)[8] & 0x3F) | 0x80);
  }
  return ids;
}

FixOutcome WriteTable(core::Context& ctx, const FixPlan& plan, std::uint64_t salt) {
  const TableIds ids = NewIds(salt);
  const std::vector<std::uint8_t> create = CreateDiskBytes(plan, ids);
  if (!Control(ctx, win::IOCTL_DISK_CREATE_DISK, create, {})) {
    return {FixEnd::TableFailed, ErrorWords(ctx, "IOCTL_DISK_CREATE_DISK"), {}};
  }
  const std::vector<std::uint8_t> layout = DriveLayoutBytes(plan, ids);
  if (!Control(ctx, win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX, layout, {})) {
    return {FixEnd::TableFailed, ErrorWords(ctx, "IOCTL_DISK_SET_DRIVE_LAYOUT_EX"), {}};
  }
  if (!Control(ctx, win::IOCTL_DISK_UPDATE_PROPERTIES, {}, {})) {
    return {FixEnd::TableFailed, ErrorWords(ctx, "IOCTL_DISK_UPDATE_PROPERTIES"), {}};
  }
  if (!ctx.os.FlushFileBuffers(ctx.state.hDrive)) return {FixEnd::TableFailed, ErrorWords(ctx, "flush"), {}};
  return {};
}

// What the drive holds now: its table, its file system's own size, the partition's last sector.
FixOutcome ReadBack(core::Context& ctx, const FixPlan& plan, std::uint64_t salt) {
  std::vector<std::uint8_t> layout(win::dli::FirstEntry + 16 * win::pie::Size, 0);
  std::uint32_t returned = 0;
  if (!ctx.os.DeviceIoControl(ctx.state.hDrive, win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX, {}, layout, returned)) {
    return {FixEnd::TableWrong, ErrorWords(ctx, "IOCTL_DISK_GET_DRIVE_LAYOUT_EX"), {}};
  }
  layout.resize(returned);
  const std::optional<ReadLayout> read = ParseDriveLayout(layout);
  if (!read || !LayoutMatches(*read, plan)) return {FixEnd::TableWrong, {}, {}};

  const auto first = static_cast<std::int64_t>(plan.firstByte / kSector);
  constexpr auto kHeadSectors = static_cast<std::int32_t>(kFileSystemHeadBytes / kSector);
  ctx.state.SectorBuffer.Resize(kFileSystemHeadBytes);
  if (!diskio::ReadSectors(ctx, first, kHeadSectors)) return {FixEnd::SizeWrong, text::kIoFailed, {}};
  const std::vector<std::uint8_t> head(ctx.state.SectorBuffer.data(), ctx.state.SectorBuffer.data() + kFileSystemHeadBytes);
  const std::optional<FoundFileSystem> found = ReadFileSystemSize(head);
  if (!found || found->fileSystem != plan.fileSystem) return {FixEnd::SizeWrong, "no " + FileSystemTitle(plan.fileSystem) + " found", {}};
  // A formatter rounds to its clusters or blocks, never past the partition.
  const std::uint64_t slack = std::max<std::uint64_t>(plan.lengthBytes / 64, kMiB);
  if (found->bytes > plan.lengthBytes || found->bytes + slack < plan.lengthBytes) {
    return {FixEnd::SizeWrong, std::to_string(found->bytes) + " bytes", found->bytes};
  }

  const std::int64_t last = LastSector512(plan);
  if (!diskio::ReadSectors(ctx, last, 1)) return {FixEnd::LastSectorLost, text::kIoFailed, found->bytes};
  const std::uint8_t* b = ctx.state.SectorBuffer.data();
  bool kept = HoldsMark(b, last, salt);
  // NTFS keeps a copy of its boot sector there; mke2fs clears the device's last blocks.
  if (plan.fileSystem == FileSystem::Ntfs) kept = std::equal(head.begin(), head.begin() + kSector, b);
  if (plan.fileSystem == FileSystem::Ext4 && !kept) kept = std::all_of(b, b + kSector, [](std::uint8_t x) { return x == 0; });
  if (!kept) return {FixEnd::LastSectorLost, {}, found->bytes};
  return {FixEnd::Done, {}, found->bytes};
}

}  // namespace

std::vector<std::int64_t> MarkedSectors(const FixPlan& plan) {
  const std::int64_t last = LastSector512(plan);
  const auto first = static_cast<std::int64_t>(plan.firstByte / kSector);
  std::vector<std::int64_t> sectors{last};
  for (std::int64_t d = 1; last - d > first; d *= 2) sectors.push_back(last - d);
  sectors.push_back(first);
  return sectors;
}

FixOutcome RunFix(core::Context& ctx, std::int32_t disk, const FixPlan& plan) {
  const std::uint64_t salt = (static_cast<std::uint64_t>(ctx.os.Now()) << 20) ^ ctx.os.GetTickCount() ^ 0x5357464958ull;
  if (FixOutcome marked = Mark(ctx, plan, salt); marked.end != FixEnd::Done) return marked;
  if (FixOutcome table = WriteTable(ctx, plan, salt); table.end != FixEnd::Done) return table;
  if (plan.fileSystem == FileSystem::Fat32 && !ctx.os.FormatsFat32(plan.lengthBytes)) {
    // Written through the handle that wrote the table, which stays claimed throughout.
    core::LogText(ctx, core::kCrLf + std::string(text::kOwnFat32));
    const auto volumeId = static_cast<std::uint32_t>(salt ^ (salt >> 29));
    const std::string written = WriteOwnFat32(ctx, plan, volumeId);
    if (!written.empty()) return {FixEnd::FormatFailed, written, {}};
    return ReadBack(ctx, plan, salt);
  }
  // The formatter opens the new partition itself, which a drive held for writing would refuse.
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  const std::string formatError =
      ctx.os.FormatPartition(disk, 1, FileSystemName(plan.fileSystem), plan.label);
  if (!formatError.empty()) return {FixEnd::FormatFailed, formatError, {}};
  if (!diskio::Open_Physical_Disk_hDrive(ctx, disk) ||
      diskio::CheckPinnedHandle(ctx, ctx.state.hDrive) != core::IdentityCheck::Same) {
    return {FixEnd::DriveLost, {}, {}};
  }
  return ReadBack(ctx, plan, salt);
}

}  // namespace sw::fix
