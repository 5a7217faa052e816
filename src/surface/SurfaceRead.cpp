// The read-back: everything written, in whole requests, each sector classified. A request that
// fails is split in halves down to the sector, so that the real end is exact; once two whole
// requests in a row were unreadable, the next failing ones are taken as unreadable whole, or a
// drive that fails every read past its memory would take a read per sector.
#include <algorithm>
#include <utility>
#include <vector>

#include "core/AlignedBuffer.h"
#include "filetest/ChunkHelper.h"
#include "surface/SurfaceRun.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface::detail {

namespace {

constexpr std::uint32_t kWholeFailuresBeforeGivingUp = 2;

// What a request's sectors read back as, worked out on the helper thread while the next request
// is read; counted here, in order, once it is done.
struct Readings {
  std::int64_t at = 0;
  std::vector<SectorReading> sectors;
};

void ClassifyInto(std::uint64_t salt, std::int64_t total, const std::uint8_t* data, Readings& out) {
  for (std::size_t i = 0; i < out.sectors.size(); ++i) {
    const auto sector = out.at + static_cast<std::int64_t>(i);
    out.sectors[i] = ClassifySector(salt, std::span<const std::uint8_t>(data + i * 512, 512), sector, total);
  }
}

class ReadBack {
 public:
  explicit ReadBack(SurfaceRun& run) : run_(run), f_(run.findings), spare_(run.ctx.state.SectorBuffer.size()) {}
  ReadBack(const ReadBack&) = delete;
  ReadBack& operator=(const ReadBack&) = delete;

  void Request(std::int64_t at, std::int32_t count) {
    if (run_.Read(at, count)) {
      Finish();
      std::swap(run_.ctx.state.SectorBuffer, spare_);
      pending_.at = at;
      pending_.sectors.resize(static_cast<std::size_t>(count));
      job_ = helper_.Start([salt = run_.salt, total = run_.total, data = spare_.data(), &out = pending_] {
        ClassifyInto(salt, total, data, out);
      });
      busy_ = true;
      wholeFailures_ = 0;
      return;
    }
    Finish();
    if (run_.Lost()) return;
    if (wholeFailures_ >= kWholeFailuresBeforeGivingUp) {
      Unreadable(at, count);
      return;
    }
    const std::uint64_t keptBefore = f_.kept;
    Split(at, count);
    wholeFailures_ = f_.kept == keptBefore ? wholeFailures_ + 1 : 0;
  }

  // Counts the request being classified on the helper, once it is done.
  void Finish() {
    if (!busy_) return;
    helper_.WaitFor(job_);
    busy_ = false;
    CountAll(pending_);
  }

 private:
  void Split(std::int64_t at, std::int32_t count) {
    if (count == 1) {
      Unreadable(at, 1);
      return;
    }
    const std::int32_t half = count / 2;
    for (const auto& [from, n] : {std::pair{at, half}, std::pair{at + half, count - half}}) {
      if (run_.Lost()) return;
      if (run_.Read(from, n, diskio::Retry::None)) {
        Readings readings{from, std::vector<SectorReading>(static_cast<std::size_t>(n))};
        ClassifyInto(run_.salt, run_.total, run_.Data(), readings);
        CountAll(readings);
      } else {
        Split(from, n);
      }
    }
  }

  void CountAll(const Readings& readings) {
    for (std::size_t i = 0; i < readings.sectors.size(); ++i) {
      Count(readings.at + static_cast<std::int64_t>(i), readings.sectors[i]);
    }
  }

  void Unreadable(std::int64_t at, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) Count(at + i, {SectorState::Unreadable, -1});
  }

  void Count(std::int64_t sector, const SectorReading& r) {
    core::CellState cell = core::CellState::Good;
    switch (r.state) {
      case SectorState::Kept: {
        ++f_.kept;
        auto& ranges = f_.goodRanges;
        const auto s = static_cast<std::uint64_t>(sector);
        if (!ranges.empty() && ranges.back().last + 1 == s) {
          ranges.back().last = s;
        } else {
          ranges.push_back({s, s});
        }
        break;
      }
      case SectorState::Lost:
        ++f_.lost;
        cell = core::CellState::Lost;
        break;
      case SectorState::Overwritten:
        if (f_.overwritten++ == 0) {
          f_.overwriteExample = sector;
          f_.overwriteExampleFrom = r.from;
        }
        cell = core::CellState::WrongNumber;
        break;
      case SectorState::Changed:
        ++f_.changed;
        cell = core::CellState::WrongNumber;
        break;
      case SectorState::Unreadable:
        ++f_.unreadable;
        cell = core::CellState::ReadError;
        break;
    }
    if (sector == 0 && r.state == SectorState::Overwritten) f_.wrapSectors = r.from;
    const bool aliased = r.state == SectorState::Kept || (r.state == SectorState::Overwritten && r.from > sector);
    if (aliased && f_.aliasRunEnd == sector) f_.aliasRunEnd = sector + 1;
    if (static_cast<std::uint64_t>(sector) % f_.cellInterval == 0) {
      f_.cells.push_back({static_cast<std::uint64_t>(sector), cell});
    }
    f_.readSectors = sector + 1;
  }

  SurfaceRun& run_;
  SurfaceFindings& f_;
  std::uint32_t wholeFailures_ = 0;
  core::AlignedBuffer spare_;  // the request being classified, while the next is read
  Readings pending_;
  bool busy_ = false;
  std::uint64_t job_ = 0;
  filetest::thorough::ChunkHelper helper_;  // last: its job ends before what it works on goes
};

// About this many locations are drawn on the drive map.
constexpr std::uint64_t kMapCells = 1024;

}  // namespace

void ReadBackPhase(SurfaceRun& run) {
  SurfaceFindings& f = run.findings;
  f.cellInterval = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(run.total) / kMapCells);
  ReadBack readBack(run);
  const std::int64_t request = run.request;
  const auto requests = static_cast<std::uint64_t>((f.writtenSectors + request - 1) / request);
  for (std::int64_t at = 0; at < f.writtenSectors; at += request) {
    if (run.Stopped()) break;
    const auto count = static_cast<std::int32_t>(std::min(request, f.writtenSectors - at));
    readBack.Request(at, count);
    if (run.Lost()) break;
    run.Progress(text::kPhaseRead, static_cast<std::uint64_t>(at / request) + 1, requests, f.bytesRead,
                 core::Direction::Read);
  }
  // What was read is counted, however the reading stopped.
  readBack.Finish();
}

}  // namespace sw::surface::detail
