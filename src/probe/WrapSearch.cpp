// The wrap search.
//
// f3probe assumes that a fake wraps at a power of two, as cheap hardware that ignores the high
// address bits does; its author confirms this and that a wrap at, say, 625,000,448 sectors would
// go unseen (AltraMayor/f3 issue 144). The search here makes no such assumption.
//
// A drive that wraps at W sectors answers address x with the place of x mod W. Blocks of their
// own in the window [0, w) and one read every w sectors across the drive find W, whatever it is:
// among the reads at j x w, the first one at or past W lands in [0, w) and brings back the block
// of window sector s = j x w - W, so W = j x w - s exactly. The window costs w writes (saved and
// restored) and the reads total / w; the window is about the square root of the drive's good
// sectors, which keeps both small (see ProbePlan).
//
// A read may also bring a window block back for other reasons: a drive with stale reads answers
// every lost sector with the last block written, a loose direct-mapped cache answers with any
// block of the same slot. So each candidate is tried by writing: the sector a + W, then the
// window sector a, then a third one beside them. A real wrap makes both read the later write,
// a's block; stale reads give the third block instead; a drive without a wrap gives each its
// own. A loose cache of 2^k slots over a drive with no memory at all
// answers every read and write exactly as a drive wrapping at 2^k does: that one is reported as
// the wrap it cannot be told from.
//
// Most fakes that wrap do so at a power of two, as hardware that ignores the high address bits
// does, and those are found before the window is written: one block at a, and a read at a + 2^k
// for each k, a few dozen reads where the window's costs one every window's length. Taken in
// rising order, the first power of two confirmed is the wrap itself: a drive wrapping at W
// brings a's block back at a + 2^k only when W divides 2^k, so W is a power of two as well, and
// every smaller one was tried. A wrap at any other size brings nothing back there, and the
// window's search follows.
#include "probe/WrapSearch.h"

#include <algorithm>
#include <set>
#include <vector>

#include "probe/ProbePlan.h"
#include "probe/ProbeTexts.h"

namespace sw::probe::detail {

namespace {

// The kind, once a wrap was confirmed with window sector s0 holding `expected`: every later
// address of s0, one read a wrap apart, brings its block back on a plain wraparound; one that
// does not lies on memory the drive keeps nothing in (a chain). `skip`: the confirmation's
// sector, whose neighbours a wrap apart it wrote.
bool LostPastWrap(ProbeRun& run, BlockId expected, std::int64_t wrap, std::int64_t skip, std::int64_t from,
                  std::int64_t limit) {
  run.RefreshReadAhead();
  std::int64_t reads = 0;
  for (std::int64_t x = expected.sector + wrap; x < limit && reads < kKindReads && !run.io.Stopped(); x += wrap) {
    if (x < from || x == skip + wrap || x == skip + wrap + 1 || x == skip + wrap - 1) continue;
    ++reads;
    const Got got = run.GetBlock(x);
    if (!(got.id == expected)) return true;
  }
  return false;
}

// The wrap at a power of two, tried from a with one block (see above); nothing found when the
// drive wraps elsewhere or not at all. Reads below `limit` only.
WrapFound PowerOfTwoWrap(ProbeRun& run, std::int64_t a, std::int64_t limit) {
  WrapFound found;
  std::uint32_t gen = run.NextGeneration();
  if (run.PutBlock(a, gen) != Put::Written) return found;
  run.RefreshReadAhead();
  std::int64_t failed = 0;  // stale reads or a loose cache can bring a's block back anywhere
  for (std::int64_t wrap = 2; a + wrap < limit && failed < kWrapCandidates && !run.io.Stopped(); wrap *= 2) {
    const Got got = run.GetBlock(a + wrap);
    if (!(got.id == BlockId{a, gen})) continue;
    if (ConfirmWrap(run, a, wrap)) {
      found.wrap = wrap;
      found.confirmedAt = a;
      break;
    }
    // The check wrote a again: a block of a generation of its own goes there for the next reads.
    ++failed;
    gen = run.NextGeneration();
    if (run.PutBlock(a, gen) != Put::Written) return found;
    run.RefreshReadAhead();
  }
  if (found.wrap == 0 || run.io.Stopped()) return found;
  const Got atA = run.GetBlock(a);
  if (!atA.id) return found;
  found.lostPastWrap = LostPastWrap(run, *atA.id, found.wrap, a, a + 1, limit);
  return found;
}

// Writes the window's blocks from `start`, chunk by chunk, after saving them. Returns the
// sectors written.
std::int64_t WriteWindow(ProbeRun& run, std::int64_t start, std::int64_t w, std::uint32_t gen) {
  std::int64_t written = 0;
  while (written < w && !run.io.Stopped()) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(ProbeIo::kChunkSectors, w - written));
    if (!run.journal.Save(start + written, n)) break;
    for (std::int32_t i = 0; i < n; ++i) {
      FillBlock(run.salt, {start + written + i, gen},
                {run.io.Data() + static_cast<std::size_t>(i) * kBlockBytes, kBlockBytes});
    }
    if (!run.io.Write(start + written, n)) break;
    written += n;
  }
  return written;
}

// The search from a window at `start`. Shifted by start, the reasoning above holds as it stands
// (a read at start + j x w lands on start + j x w - W), for every wrap larger than the window.
WrapFound FindWrapFrom(ProbeRun& run, std::int64_t start, std::int64_t w, std::int64_t goodEnd, bool lookPast) {
  WrapFound found;
  const std::uint32_t gen = run.NextGeneration();
  const std::int64_t width = WriteWindow(run, start, w, gen);
  const std::int64_t windowEnd = start + width;
  if (width == 0 || run.io.Stopped()) return found;

  // Past goodEnd the reads may be sparser than the window (a fake with little memory), and the
  // last sector is read as well: a wrap just below the drive's end has its only alias there.
  const std::int64_t pastStep = std::max(width, (run.total - goodEnd + kKindReads - 1) / kKindReads);
  std::vector<std::int64_t> at;
  for (std::int64_t x = windowEnd; x < goodEnd; x += width) at.push_back(x);
  for (std::int64_t x = std::max(windowEnd, start + (goodEnd - start) / width * width); lookPast && x < run.total;
       x += pastStep) {
    if (x >= goodEnd) at.push_back(x);
  }
  if (at.empty() || at.back() != run.total - 1) at.push_back(run.total - 1);

  // Read in rising order, each candidate tried as it shows: the first read at or past a real wrap
  // W brings W itself (its multiples come later), so the first one confirmed is the wrap, and
  // the reads past it are spared.
  std::set<std::int64_t> tried;
  run.RefreshReadAhead();
  for (std::size_t i = 0; i < at.size() && !run.io.Stopped() && found.wrap == 0; ++i) {
    const std::int64_t x = at[i];
    if (x < windowEnd) continue;
    const Got got = run.GetBlock(x);
    if (i % 4096 == 0) run.io.Progress(text::kPhaseWrap, i, at.size());
    if (!got.id || got.id->generation != gen || got.id->sector < start || got.id->sector >= windowEnd ||
        got.id->sector == x) {
      continue;
    }
    const std::int64_t sector = got.id->sector;
    const std::int64_t wrap = x - sector;
    if (static_cast<std::int64_t>(tried.size()) >= kWrapCandidates || !tried.insert(wrap).second) continue;
    if (ConfirmWrap(run, sector, wrap)) {
      found.wrap = wrap;
      found.confirmedAt = sector;
    } else {
      // The check wrote over that window sector: its block of this search goes back, so that a
      // later read landing there is still recognised.
      run.PutBlock(sector, gen);
      run.RefreshReadAhead();
    }
  }
  if (found.wrap == 0 || run.io.Stopped()) return found;

  // The kind, from a window sector the check left alone; past the good sectors only when
  // lookPast.
  const std::int64_t a = found.confirmedAt;
  const std::int64_t s0 = a - start < width / 2 ? windowEnd - 1 : start;
  const std::int64_t limit = lookPast ? run.total : std::min(run.total, goodEnd);
  found.lostPastWrap = LostPastWrap(run, BlockId{s0, gen}, found.wrap, a, windowEnd, limit);
  return found;
}

}  // namespace

bool ConfirmWrap(ProbeRun& run, std::int64_t a, std::int64_t wrap) {
  const std::int64_t b = a + wrap;
  if (wrap < 2 || b >= run.total) return false;
  const std::int64_t beside = b + 1 < run.total ? b + 1 : b - 1;
  const std::uint32_t gen = run.NextGeneration();
  if (run.PutBlock(b, gen) != Put::Written) return false;
  if (run.PutBlock(a, gen) != Put::Written) return false;
  run.PutBlock(beside, gen);
  run.RefreshReadAhead();
  const Got atA = run.GetBlock(a);
  const Got atB = run.GetBlock(b);
  const BlockId expected{a, gen};
  return atA.readOk && atB.readOk && atA.id == expected && atB.id == expected;
}

WrapFound FindWrap(ProbeRun& run, std::int64_t goodEnd, bool lookPast) {
  const std::int64_t w = WindowSectors(run.total, goodEnd);
  if (w < 1) return {};
  {
    const std::int64_t a = kKeptStartSectors < goodEnd ? kKeptStartSectors : 0;
    const WrapFound power = PowerOfTwoWrap(run, a, lookPast ? run.total : std::min(run.total, goodEnd));
    if (power.wrap > 0 || run.io.Stopped()) return power;
  }
  // The partition table and the file system's own first blocks live in the first MiB: the window
  // goes past it where the good memory leaves room. A wrap no larger than the shifted window
  // would show as one of its multiples there; only then is the search made again from sector 0.
  if (goodEnd >= 4 * (kKeptStartSectors + w)) {
    const WrapFound shifted = FindWrapFrom(run, kKeptStartSectors, w, goodEnd, lookPast);
    if (shifted.wrap == 0 || shifted.wrap > kKeptStartSectors + w || run.io.Stopped()) return shifted;
  }
  return FindWrapFrom(run, 0, w, goodEnd, lookPast);
}

}  // namespace sw::probe::detail
