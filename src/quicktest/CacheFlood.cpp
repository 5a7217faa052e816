// Why the markers are read a second time, after a flood of other writes.
//
// Counterfeits keep the last blocks written past their real memory in a cache and answer reads
// of those sectors from it, so a few hundred markers read back right from a drive that holds
// none of them. F3's issue tracker documents this: "these drives implement a cache that survives
// resets, and use this cache to save all the last blocks written beyond their real memory"
// (AltraMayor/f3 issue 15), and f3probe reports caches of 3 MB (6,144 blocks, issue 201) and
// 31 MB (63,488 blocks, issue 93); its author sizes the cache and writes enough blocks to
// overflow it. Two shapes of cache matter:
//  - a cache of the last N writes, whatever their address: only more writes than N flush it.
//    The flood writes 64 MiB (more than any cache reported) in the top interval, which lies past
//    the real memory of any fake whose top is missing;
//  - a direct-mapped cache whose slot is the address modulo 2^k: a marker leaves it only when
//    another write maps to its slot. One write per marker at the marker's address plus or minus
//    2^24 maps to the same slot in every such cache up to 8 GiB, so a few hundred writes do what
//    a flood of the whole cache would.
// The markers are then read once each from the top down: a read-ahead buffer serves the sectors
// after the one read, never the one below it.
//
// The extra writes are harmless on a genuine drive, but on a drive whose addresses wrap they
// land on real sectors, perhaps on a marker. A marker that now holds one of these blocks, written
// at a sector x above it, proves only that x and the marker share a place: either the addresses
// wrap at x - marker (then that sector reads exactly what sector 0 reads, as both are sector 0),
// and the bad memory starts there, not at the marker; or a loose cache slot answered (then the
// two differ) and the marker itself is bad.
#include "quicktest/CacheFlood.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "core/Log.h"
#include "diskio/SectorIO.h"
#include "drives/TextFormat.h"
#include "quicktest/MarkerBlock.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest::detail {

namespace {

using core::kCrLf;

constexpr std::int64_t kFloodSectors = 131072;         // 64 MiB
constexpr std::int64_t kLargestStride = 1LL << 24;     // covers direct-mapped caches to 8 GiB
constexpr std::int32_t kChunkSectors = 128;            // 64 KiB per transfer
constexpr std::uint8_t kFloodTail = 0xA5;
constexpr std::uint8_t kMarkerTail = 0xFF;
constexpr std::size_t kBlock = static_cast<std::size_t>(kSectorBytes);
constexpr std::int64_t kBudgetCap = (2LL << 30) / kSectorBytes;  // 2 GiB in sectors

bool IsMarkerSector(const QuickTestRun& run, std::int64_t sector) {
  return sector == 0 || (run.TotalSectors - 1 - sector) % run.IntervalSectors == 0;
}

// A block this run wrote at `at`: the marker format with its own number, and the tail of a
// marker or of a flood block.
void FillFloodBlock(std::uint8_t* block, std::int64_t at) {
  std::memset(block, kFloodTail, kBlock);
  SetMarkerNumber(at, std::span<std::uint8_t>(block, kBlock));
}

std::int64_t OwnBlockNumber(std::span<const std::uint8_t> block, std::int64_t totalSectors) {
  const std::int64_t number = GetMarkerNumber(block);
  if (number < 0 || number >= totalSectors) return -1;
  const std::uint8_t tail = block[8];
  if (tail != kFloodTail && tail != kMarkerTail) return -1;
  const bool uniform = std::all_of(block.begin() + 8, block.end(), [tail](std::uint8_t b) { return b == tail; });
  return uniform ? number : -1;
}

std::span<const std::uint8_t> Block(core::Context& ctx) {
  return ctx.state.SectorBuffer.span().first(kBlock);
}

// The runs of non-marker sectors just below the last sector, as (first, count), top down.
struct Run {
  std::int64_t first;
  std::int32_t count;
};
std::vector<Run> FloodRuns(const QuickTestRun& run, std::int64_t sectors) {
  std::vector<Run> runs;
  std::int64_t next = run.TotalSectors - 2;
  while (sectors > 0 && next > 0) {
    if (IsMarkerSector(run, next)) {
      --next;
      continue;
    }
    std::int32_t count = 0;
    while (count < kChunkSectors && count < sectors && next - count > 0 &&
           !IsMarkerSector(run, next - count)) {
      ++count;
    }
    runs.push_back({next - count + 1, count});
    sectors -= count;
    next -= count;
  }
  return runs;
}

// The sectors written; a write that failed even when tried again is counted into failed.
std::int64_t WriteFlood(core::Context& ctx, const QuickTestRun& run, std::int64_t sectors, std::int64_t& failed) {
  std::int64_t written = 0;
  ctx.state.SectorBuffer.Resize(kBlock * kChunkSectors);
  for (const Run& r : FloodRuns(run, sectors)) {
    for (std::int32_t i = 0; i < r.count; ++i) {
      FillFloodBlock(ctx.state.SectorBuffer.data() + static_cast<std::size_t>(i) * kBlock, r.first + i);
    }
    // A failed write leaves its sectors as they were: the flood only needs most of them, but a
    // drive that refuses writes is not sound, and the verdict must say so.
    if (diskio::WriteSectors(ctx, r.first, r.count)) {
      written += r.count;
    } else {
      ++failed;
    }
  }
  ctx.state.SectorBuffer.Resize(kBlock);
  return written;
}

// The sectors past the cylinders below the device's last one, its marker's neighbours, top
// down: written after that marker, they flush it from a cache of the last writes there, and a
// drive that answers every read past its memory with its last write there answers with one of
// them, not with the marker.
std::int64_t WriteTail(core::Context& ctx, const QuickTestRun& run, std::int64_t most, std::int64_t& failed) {
  std::int64_t written = 0;
  ctx.state.SectorBuffer.Resize(kBlock * kChunkSectors);
  std::int64_t end = run.DeviceLastSector;  // exclusive
  const std::int64_t first = std::max(run.TotalSectors, run.DeviceLastSector - most);
  while (end > first) {
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kChunkSectors, end - first));
    const std::int64_t at = end - count;
    for (std::int32_t i = 0; i < count; ++i) {
      FillFloodBlock(ctx.state.SectorBuffer.data() + static_cast<std::size_t>(i) * kBlock, at + i);
    }
    if (diskio::WriteSectors(ctx, at, count)) {
      written += count;
    } else {
      ++failed;
    }
    end = at;
  }
  ctx.state.SectorBuffer.Resize(kBlock);
  return written;
}

std::vector<std::int64_t> MarkersTopDown(const QuickTestRun& run) {
  std::vector<std::int64_t> markers;
  for (std::int64_t m = run.TotalSectors - 1; m >= 0; m -= run.IntervalSectors) markers.push_back(m);
  if (markers.back() != 0) markers.push_back(0);
  return markers;
}

// The stride is a power of two no larger than half the drive, so one of the two sides exists.
std::int64_t EvictionSector(const QuickTestRun& run, std::int64_t marker) {
  const auto half = static_cast<std::uint64_t>(std::max<std::int64_t>(1, run.TotalSectors / 2));
  const std::int64_t stride = std::min(kLargestStride, static_cast<std::int64_t>(std::bit_floor(half)));
  if (marker + stride < run.TotalSectors) return marker + stride;
  if (marker >= stride) return marker - stride;
  return -1;
}

// True when sector `distance` reads exactly what sector 0 reads: the addresses wrap there.
bool WrapsAt(core::Context& ctx, std::int64_t distance) {
  if (!diskio::ReadSectors(ctx, 0, 1)) return false;
  std::vector<std::uint8_t> first(Block(ctx).begin(), Block(ctx).end());
  if (!diskio::ReadSectors(ctx, distance, 1)) return false;
  return std::equal(first.begin(), first.end(), Block(ctx).begin()) &&
         OwnBlockNumber(first, std::int64_t{1} << 62) >= 0;
}

bool InsideBadRange(const QuickTestRun& run, std::int64_t sector) {
  return run.MismatchCount > 0 && sector >= run.MinBadSector && sector <= run.MaxBadSector;
}

}  // namespace

std::int64_t CacheFloodBudgetSectors(std::int64_t totalSectors) {
  return std::min(kBudgetCap, totalSectors / 2) / 8;
}

void DefeatWriteCache(core::Context& ctx, QuickTestRun& run) {
  const std::vector<std::int64_t> markers = MarkersTopDown(run);
  const auto evictions = static_cast<std::int64_t>(markers.size());
  const std::int64_t flood =
      std::max<std::int64_t>(0, std::min(kFloodSectors, CacheFloodBudgetSectors(run.TotalSectors) - evictions));
  std::int64_t failed = 0;
  std::int64_t flooded = WriteFlood(ctx, run, flood, failed);
  if (run.DeviceLastSector >= 0) {
    const std::int64_t room = CacheFloodBudgetSectors(run.TotalSectors) - evictions - flood;
    flooded += WriteTail(ctx, run, std::max<std::int64_t>(0, room), failed);
  }

  // Top down, so the lowest marker of each slot is evicted last by a write of its own.
  for (const std::int64_t m : markers) {
    const std::int64_t at = EvictionSector(run, m);
    if (at < 0) continue;
    ctx.state.SectorBuffer.Fill(kFloodTail);
    SetMarkerNumber(at, ctx.state.SectorBuffer.span());
    if (!diskio::WriteSectors(ctx, at, 1)) ++failed;
  }

  // Markers that read back right after the writing and are gone now: a cache answered for them.
  // A marker the read-back never read may be lost too, but says nothing of a cache.
  std::int64_t cached = 0;
  for (const std::int64_t m : markers) {
    const bool ok = diskio::ReadSectors(ctx, m, 1);
    const std::int64_t found = ok ? OwnBlockNumber(Block(ctx), run.TotalSectors) : -1;
    if (found == m && Block(ctx)[8] == kMarkerTail) continue;
    const std::int64_t number = ok ? GetMarkerNumber(Block(ctx)) : -1;
    std::int64_t bad = m;
    if (found > m && WrapsAt(ctx, found - m)) bad = found - m;
    // Sectors inside the range already known bad change nothing in the report.
    if (InsideBadRange(run, bad)) continue;
    RecordMismatch(run, bad, bad == m ? number : 0);
    if (bad != m) run.WrapFound = true;
    // Not a cache: a write of ours that wrapped onto the marker (from above or below), or the
    // one block a drive gives for every read past its memory (its last write there), which the
    // marker written last there reads back right by chance. A cache with slots hands out more.
    const bool wrappedOnto = bad != m || (found >= 0 && found < m && WrapsAt(ctx, m - found));
    const bool handedOutEverywhere = run.MisplacedNumbers.size() == 1 && run.MisplacedNumbers.contains(m);
    if (run.ReadRight.contains(m) && !wrappedOnto && !handedOutEverywhere) ++cached;
  }
  ctx.state.SectorBuffer.Fill(kMarkerTail);

  if (failed > 0) NoteWriteFailure(ctx, run, std::to_string(failed) + text::kFloodWritesFailed);
  if (cached > 0) {
    core::LogText(ctx, kCrLf + std::string(text::kCacheFound) + std::to_string(cached) + text::kCacheFoundAfter +
                           drives::FormatDecimals(static_cast<double>(flooded + evictions) * kSectorBytes / kMiB,
                                                  text::kSizePattern) +
                           text::kCacheFoundEnd);
  }
}

}  // namespace sw::quicktest::detail
