// The full-surface test from start to end: the writing with its samples, the read-back, and the
// figures drawn from it.
#include <algorithm>
#include <random>

#include "surface/SurfaceEngine.h"
#include "surface/SurfaceFormat.h"
#include "surface/SurfaceRun.h"

namespace sw::surface {

namespace {

std::uint64_t DrawSalt(const SurfaceOptions& options) {
  if (options.seed != 0) return options.seed;
  std::random_device device;
  const std::uint64_t salt = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  return salt != 0 ? salt : 1;
}

// Writes are judged against the regions before them: a region that writes at under a third of
// their median speed is where a cache ran full or the memory behind it ran out.
constexpr std::uint64_t kCollapseFactor = 3;
constexpr std::size_t kRegionsBeforeACollapse = 2;

double WriteSpeed(const RegionSpeed& r) {
  return static_cast<double>(r.writeBytes) / static_cast<double>(r.writeMs);
}

std::int32_t FirstCollapse(SurfaceFindings& f) {
  const std::vector<RegionSpeed>& regions = f.regions;
  std::vector<double> before;
  for (std::size_t i = 0; i < regions.size(); ++i) {
    const RegionSpeed& r = regions[i];
    if (r.writeBytes == 0 || r.writeMs == 0) continue;  // not written, or too quick to time
    const double speed = WriteSpeed(r);
    if (before.size() >= kRegionsBeforeACollapse) {
      std::vector<double> sorted = before;
      std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
      const double median = sorted[sorted.size() / 2];
      if (speed * kCollapseFactor < median) {
        f.collapseMedianMBps = median / 1000;  // bytes a millisecond are kilobytes a second
        f.collapseMBps = speed / 1000;
        return static_cast<std::int32_t>(i);
      }
    }
    before.push_back(speed);
  }
  return -1;
}

}  // namespace

namespace detail {

void ConcludeFindings(SurfaceFindings& f) {
  if (!f.goodRanges.empty() && f.goodRanges.front().first == 0) {
    f.lastGoodSector = static_cast<std::int64_t>(f.goodRanges.front().last);
  } else if (f.wrapSectors > 0) {
    // Written past its memory, a wrapping drive holds at 0 the block of the address that wraps
    // onto it: the sectors below that distance are its memory, as far as they kept a block.
    f.lastGoodSector = std::min(f.aliasRunEnd, f.wrapSectors) - 1;
  }
  f.collapseRegion = FirstCollapse(f);
  const std::uint64_t bad = f.lost + f.overwritten + f.changed + f.unreadable;
  if (f.end == SurfaceEnd::Completed && f.writtenSectors < f.totalSectors && bad == 0) {
    f.end = SurfaceEnd::Unfinished;
  }
}

}  // namespace detail

SurfaceFindings SurfaceTest(core::Context& ctx, const SurfaceOptions& options) {
  detail::SurfaceRun run(ctx, options, DrawSalt(options));
  detail::WritePhase(run);
  // After a Cancel the read-back reads nothing: the test stops at once.
  if (!run.Lost()) detail::ReadBackPhase(run);
  SurfaceFindings& f = run.findings;
  if (run.Lost()) {
    f.end = SurfaceEnd::DriveLost;
  } else if (run.Cancelled()) {
    f.end = SurfaceEnd::Cancelled;
  }
  detail::ConcludeFindings(f);
  return f;
}

bool Passed(const SurfaceFindings& f) {
  return f.end == SurfaceEnd::Completed && f.totalSectors > 0 && f.failedFlushes == 0 && f.goodRanges.size() == 1 &&
         f.goodRanges.front().first == 0 &&
         f.goodRanges.front().last + 1 == static_cast<std::uint64_t>(f.totalSectors);
}

bool ProvenBad(const SurfaceFindings& f) {
  return f.lost + f.overwritten + f.changed + f.unreadable > 0 || f.failedWriteRequests > 0 || f.failedFlushes > 0;
}

std::int64_t CollapseSector(const SurfaceFindings& f) {
  if (f.collapseRegion < 0) return -1;
  return f.regions[static_cast<std::size_t>(f.collapseRegion)].firstWrite;
}

std::uint64_t RecommendedBytes(const SurfaceFindings& f) {
  const std::uint64_t usable = static_cast<std::uint64_t>(f.lastGoodSector + 1) * 512;
  const std::uint64_t wholeMiB = usable / detail::kMiBBytes;
  return wholeMiB > 1 ? (wholeMiB - 1) * detail::kMiBBytes : 0;
}

}  // namespace sw::surface
