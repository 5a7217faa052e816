// The FAT32 regions written in order, in pieces SectorBuffer holds, each write checked.
#include "fix/Fat32Writer.h"

#include <algorithm>
#include <cstring>
#include <variant>
#include <vector>

#include "diskio/SectorIO.h"
#include "fix/Fat32Layout.h"

namespace sw::fix {

namespace {

// Large enough that even the FATs of a 2 TiB volume take a few hundred writes, small enough
// for a stick's buffers.
constexpr std::uint64_t kPieceBytes = 1ull << 20;
constexpr auto kUnit = static_cast<std::uint64_t>(diskio::kSectorBytes);

struct Volume {
  core::Context& ctx;
  const Fat32Geometry& g;
  std::uint64_t firstUnit;  // the partition's first sector, in 512-byte sectors

  std::uint64_t UnitOf(std::uint64_t volumeSector) const { return firstUnit + volumeSector * (g.bytesPerSector / kUnit); }

  // Writes `sectors` of the volume's own sectors from volumeSector: `head` first, zeros after it.
  std::string Region(const char* what, std::uint64_t volumeSector, std::uint64_t sectors,
                     const std::vector<std::uint8_t>& head) const {
    const std::uint64_t bytes = sectors * g.bytesPerSector;
    std::uint64_t done = 0;
    while (done < bytes) {
      const std::uint64_t piece = std::min(kPieceBytes, bytes - done);
      ctx.state.SectorBuffer.Resize(piece);
      if (done < head.size()) {
        const std::uint64_t n = std::min<std::uint64_t>(piece, head.size() - done);
        std::memcpy(ctx.state.SectorBuffer.data(), head.data() + done, n);
      }
      const std::uint64_t unit = UnitOf(volumeSector) + done / kUnit;
      if (!diskio::WriteSectors(ctx, static_cast<std::int64_t>(unit), static_cast<std::int32_t>(piece / kUnit))) {
        return std::string("writing ") + what + " at sector " + std::to_string(unit) + " failed (error " +
               std::to_string(ctx.os.GetLastError()) + ")";
      }
      done += piece;
    }
    return {};
  }
};

// The reserved sectors after the boot sector: FSInfo, the boot sector's copy and the FSInfo's.
std::vector<std::uint8_t> ReservedAfterBoot(const Fat32Geometry& g, const std::vector<std::uint8_t>& boot) {
  std::vector<std::uint8_t> r(std::uint64_t{g.reservedSectors - 1} * g.bytesPerSector, 0);
  const std::vector<std::uint8_t> info = Fat32FsInfoSector(g);
  auto at = [&](std::uint32_t sector) { return r.begin() + static_cast<std::ptrdiff_t>((sector - 1) * g.bytesPerSector); };
  std::copy(info.begin(), info.end(), at(kFat32FsInfoSector));
  std::copy(boot.begin(), boot.end(), at(kFat32BackupBootSector));
  std::copy(info.begin(), info.end(), at(kFat32BackupBootSector + kFat32FsInfoSector));
  return r;
}

}  // namespace

std::string WriteOwnFat32(core::Context& ctx, const FixPlan& plan, std::uint32_t volumeId) {
  const auto planned = PlanFat32(plan.firstByte, plan.lengthBytes, plan.sectorBytes);
  if (const auto* why = std::get_if<std::string>(&planned)) return *why;
  const Fat32Geometry& g = std::get<Fat32Geometry>(planned);
  // The geometry keeps the metadata inside the partition; a fault in it must still never write past it.
  if (g.MetadataSectors() * g.bytesPerSector > plan.lengthBytes) return "the FAT32 layout does not fit its partition";

  Fat32Identity id;
  id.label = plan.label;
  id.volumeId = volumeId;
  DosDateTime(ctx.os.Now(), id.dosDate, id.dosTime);
  const std::vector<std::uint8_t> boot = Fat32BootSector(g, id);
  const Volume v{ctx, g, plan.firstByte / kUnit};

  std::string failed = v.Region("the reserved sectors", 1, g.reservedSectors - 1, ReservedAfterBoot(g, boot));
  const std::vector<std::uint8_t> fatHead = Fat32FirstFatSector(g);
  if (failed.empty()) failed = v.Region("the first FAT", g.FirstFatSector(), g.fatSectors, fatHead);
  if (failed.empty()) failed = v.Region("the second FAT", g.FirstFatSector() + g.fatSectors, g.fatSectors, fatHead);
  if (failed.empty()) failed = v.Region("the root directory", g.FirstDataSector(), g.sectorsPerCluster, Fat32RootSector(g, id));
  if (failed.empty()) failed = v.Region("the boot sector", 0, 1, boot);
  if (!failed.empty()) return failed;
  if (!ctx.os.FlushFileBuffers(ctx.state.hDrive)) {
    return "flushing the new file system to the drive failed (error " + std::to_string(ctx.os.GetLastError()) + ")";
  }
  return {};
}

}  // namespace sw::fix
