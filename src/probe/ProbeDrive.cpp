// The probe from start to end: the cache sizing at the top, the boundary search, the wrap search
// over what was found good, the verdict, and the restore on every way out.
#include <random>

#include "diskio/SectorIO.h"
#include "probe/BackupJournal.h"
#include "probe/BoundarySearch.h"
#include "probe/CacheSizing.h"
#include "probe/JournalFile.h"
#include "probe/ProbeEngine.h"
#include "probe/ProbeIo.h"
#include "probe/ProbeRun.h"
#include "probe/ProbeTexts.h"
#include "probe/WrapSearch.h"

namespace sw::probe {

namespace {

using detail::ProbeRun;
using detail::TopState;

// The stick the journal is for, as the user picked it.
JournalHeader JournalHeaderOf(core::Context& ctx) {
  core::DriveIdentity identity;
  std::string device;
  if (ctx.state.Pinned) {
    identity = ctx.state.Pinned->identity;
    device = ctx.state.Pinned->Device;
  }
  if (device.empty()) device = ctx.os.DeviceName(ctx.state.DiskNumber);
  return HeaderFor(identity, device, ctx.os.GeneralDate(ctx.os.Now()));
}

std::uint64_t DrawSalt(const ProbeOptions& options) {
  if (options.seed != 0) return options.seed;
  std::random_device device;
  const std::uint64_t salt = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  return salt != 0 ? salt : 1;
}

// Where the good memory of [0, span) ends: the top sizing, then the search when the top is bad.
struct SpanResult {
  bool done = false;  // false: stopped, or the search ran out of rounds
  std::int64_t firstBad = 0;
  bool ioError = false;
  bool topGood = false;
  bool keptAbove = false;
  std::int64_t wrap = 0;  // the distance at which the top was answered, proved a wrap: nothing
                          // searched yet
  detail::TopFinding top;
};

SpanResult ProbeSpan(ProbeRun& run, std::int64_t span, std::int64_t wrap) {
  SpanResult r;
  r.top = detail::SizeCacheAtTop(run, span);
  if (run.io.Stopped() || r.top.state == TopState::Stopped) return r;
  if (r.top.state == TopState::Good) {
    r.done = r.topGood = true;
    r.firstBad = span;
    return r;
  }
  // A "cache" that answers the top with another block of the run may be the drive wrapping: at
  // the eviction distance (a power of two) or at the distance of the flood's block. Tried low on
  // the drive (just past the first MiB, which holds the partition table, where the drive is large
  // enough) before any search writes onto the probes through a second address. A loose cache
  // over no memory at all passes this too; it is reported as the wrap it cannot be told from.
  if (wrap == 0 && r.top.answeredBy >= 0) {
    const std::int64_t distance = r.top.directSlots > 0 ? r.top.directSlots : r.top.sector - r.top.answeredBy;
    const std::int64_t a = detail::kKeptStartSectors + distance < run.total ? detail::kKeptStartSectors : 0;
    if (detail::ConfirmWrap(run, a, distance)) {
      r.done = true;
      r.wrap = distance;
      r.firstBad = run.total;
      return r;
    }
  }
  const detail::Boundary b = detail::SearchBoundary(run, r.top, wrap);
  r.done = b.exact;
  r.firstBad = b.firstBad;
  r.ioError = b.ioError;
  r.keptAbove = b.keptAbove;
  return r;
}

// The phases; false when the run could not finish.
bool Probe(ProbeRun& run, ProbeFindings& f) {
  SpanResult whole = ProbeSpan(run, run.total, 0);
  if (!whole.done) return false;
  std::int64_t cache = whole.top.directSlots > 0 ? whole.top.directSlots : whole.top.floodSectors;
  detail::WrapFound wrap;
  if (whole.wrap > 0) {
    wrap.wrap = whole.wrap;
    cache = 0;
  } else if (whole.firstBad > 0) {
    wrap = detail::FindWrap(run, whole.firstBad, whole.topGood || whole.keptAbove);
    // The search's bad top lies past any wrap found below it: had it been another address of a
    // good place it would have held its block, so the drive loses what lands there (a chain).
    if (wrap.wrap > 0 && !whole.topGood) wrap.lostPastWrap = true;
  }
  if (run.io.Stopped()) return false;

  std::int64_t firstBad = whole.firstBad;
  bool ioError = whole.ioError;
  if (firstBad == 0 && ioError) return false;  // not even sector 0 can be read or written
  if (wrap.wrap > 0 && wrap.wrap <= firstBad) {
    // The good memory ends at the wrap at the latest; whether all of it below is good is known
    // only when the top itself was the wrap's last sector.
    const bool topIsLastOfWrap = whole.topGood && (run.total - 1) % wrap.wrap == wrap.wrap - 1;
    if (topIsLastOfWrap) {
      firstBad = wrap.wrap;
    } else {
      const SpanResult inner = ProbeSpan(run, wrap.wrap, wrap.wrap);
      if (!inner.done) return false;
      firstBad = inner.firstBad;
      ioError = inner.ioError;
      if (inner.top.directSlots > 0 || inner.top.floodSectors > 0) {
        cache = inner.top.directSlots > 0 ? inner.top.directSlots : inner.top.floodSectors;
      }
    }
  }

  f.cacheSectors = cache;
  f.lastGoodSector = firstBad - 1;
  f.usableBytes = static_cast<std::uint64_t>(firstBad) * 512;
  if (firstBad == 0) {
    f.kind = FakeKind::NoMemory;
  } else if (wrap.wrap > 0) {
    f.wrapSectors = wrap.wrap;
    f.kind = firstBad < wrap.wrap || wrap.lostPastWrap ? FakeKind::Chain : FakeKind::Wraparound;
  } else if (ioError) {
    f.kind = FakeKind::IoErrors;
    f.errorFromSector = firstBad;
  } else {
    f.kind = firstBad == run.total ? FakeKind::Genuine : FakeKind::Limbo;
  }
  if (f.kind == FakeKind::Genuine) f.keptThroughSectors = whole.top.keptThroughSectors;
  return true;
}

}  // namespace

ProbeFindings ProbeDrive(core::Context& ctx, const ProbeOptions& options) {
  ProbeFindings f;
  const std::int64_t total = diskio::DriveSectors(ctx);
  f.totalSectors = total;
  if (ctx.state.hDrive != platform::kInvalidHandle) f.driveSectorBytes = diskio::DriveSectorBytes(ctx);
  // Checked here as well as by the caller: the probe writes the drive, and never the system's.
  const std::int32_t disk = ctx.state.DiskNumber;
  if (total < 2 || ctx.state.hDrive == platform::kInvalidHandle || disk <= 0 || disk == ctx.os.SystemDiskNumber()) {
    f.end = ProbeEnd::Failed;
    return f;
  }
  detail::ProbeIo io(ctx, ProbeWriteBoundSectors(total));
  bool completed = false;
  bool outOfRounds = false;
  bool floodRefused = false;
  {
    detail::BackupJournal journal(io, options.destructive);
    if (!journal.KeepOnDisk(ctx, JournalHeaderOf(ctx))) {
      f.end = ProbeEnd::NoJournal;
      return f;
    }
    ProbeRun run(ctx, io, journal, DrawSalt(options), total, options.destructive);
    completed = Probe(run, f);
    outOfRounds = run.outOfRounds;
    floodRefused = run.floodRefused;
    f.provenGoodSector = run.provenGood;
    f.provenBadSector = run.provenBad;
    io.Progress(text::kPhaseRestore, 0, 1);
    journal.Restore();
    f.unrestoredSectors = journal.Unrestored();
    io.Progress(text::kPhaseRestore, 1, 1);
  }
  if (io.Lost()) {
    f.end = ProbeEnd::DriveLost;
  } else if (io.Cancelled()) {
    f.end = ProbeEnd::Cancelled;
  } else if (io.Unjournaled()) {
    f.end = ProbeEnd::NoJournal;
  } else if (!completed && (io.OverBudget() || outOfRounds || floodRefused)) {
    f.end = ProbeEnd::Unfinished;
    f.limit = io.OverBudget() ? Limit::WriteBound : floodRefused ? Limit::RefusedFlood : Limit::SearchRounds;
  } else if (!completed) {
    f.end = ProbeEnd::Failed;
  }
  if (f.end != ProbeEnd::Completed) {
    f.lastGoodSector = -1;
    f.usableBytes = 0;
  }
  f.sectorsWritten = io.sectorsWritten;
  f.sectorsRead = io.sectorsRead;
  if (io.writeRequests > 0) {
    f.writeLatencySeconds = static_cast<double>(io.writeMs) / 1000.0 / static_cast<double>(io.writeRequests);
  }
  if (io.readRequests > 0) {
    f.readLatencySeconds = static_cast<double>(io.readMs) / 1000.0 / static_cast<double>(io.readRequests);
  }
  return f;
}

}  // namespace sw::probe
