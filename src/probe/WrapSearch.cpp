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
// sectors, which keeps both small (see ProbePlan). Where the good memory is large, the window's
// blocks are spread out and each read is a run of sectors (see WindowStride): as many sectors
// read, in far fewer requests.
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

// Sectors between the window's blocks. Spread out, the window costs a request per block where a
// contiguous one is written in a few, and each of the search's reads becomes a run of `stride`
// sectors in one request: a run at x meets the window for every wrap in a whole window's reach
// (x - W = start + i x stride for one i and one sector of the run), so the reads move as many
// sectors as before in `stride` times fewer requests, and a drive's time per request, not its
// transfer, is what a few thousand single-sector reads cost. The reach stays a small part of the
// good memory: a wrap below it would alias the window onto itself and show as a multiple.
//
// The trade is made whatever the drive: a stick's small read takes a good part of a millisecond
// (a command and its status over USB), and the search spares a read request per window's length
// of good memory (16 to 36 per block of the window) for two small requests per block; the same
// drive probed twice does the same work.
std::int64_t WindowStride(std::int64_t goodEnd, std::int64_t w) {
  return std::clamp<std::int64_t>(goodEnd / (16 * w), 1, ProbeIo::kChunkSectors);
}

// Writes the window's blocks, `stride` apart from `start`, after saving them. Spread blocks are
// all saved before the first is written, so that the journal reaches the disk once per batch,
// not once per block. Returns the blocks written.
std::int64_t WriteWindow(ProbeRun& run, std::int64_t start, std::int64_t w, std::int64_t stride, std::uint32_t gen) {
  std::int64_t written = 0;
  while (written < w && !run.io.Stopped()) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(ProbeIo::kChunkSectors, w - written));
    const std::int64_t first = start + written * stride;
    if (stride == 1) {
      if (!run.journal.Save(first, n)) break;
      for (std::int32_t i = 0; i < n; ++i) {
        FillBlock(run.salt, {first + i, gen}, {run.io.Data() + static_cast<std::size_t>(i) * kBlockBytes, kBlockBytes});
      }
      if (!run.io.Write(first, n)) break;
      written += n;
      continue;
    }
    std::int32_t saved = 0;
    while (saved < n && !run.io.Stopped() && run.journal.Save(first + saved * stride, 1)) ++saved;
    for (std::int32_t i = 0; i < saved; ++i) {
      const std::int64_t sector = first + i * stride;
      FillBlock(run.salt, {sector, gen}, {run.io.Data(), kBlockBytes});
      if (!run.io.Write(sector, 1)) return written;
      ++written;
    }
    if (saved < n) break;
  }
  return written;
}

// The search from a window at `start`. Shifted by start, the reasoning above holds as it stands
// (a read at start + j x reach lands on start + j x reach - W), for every wrap larger than the
// window's reach.
WrapFound FindWrapFrom(ProbeRun& run, std::int64_t start, std::int64_t w, std::int64_t stride, std::int64_t goodEnd,
                       bool lookPast) {
  WrapFound found;
  const std::uint32_t gen = run.NextGeneration();
  const std::int64_t width = WriteWindow(run, start, w, stride, gen);
  if (width == 0 || run.io.Stopped()) return found;
  const std::int64_t lastBlock = start + (width - 1) * stride;
  const std::int64_t windowEnd = lastBlock + 1;
  const std::int64_t reach = width * stride;

  // Past goodEnd the reads may be sparser than the window (a fake with little memory), and the
  // last sector is read as well: a wrap just below the drive's end has its only alias there.
  const std::int64_t pastStep = std::max(reach, (run.total - goodEnd + kKindReads - 1) / kKindReads);
  std::vector<std::int64_t> at;
  for (std::int64_t x = start + reach; x < goodEnd; x += reach) at.push_back(x);
  for (std::int64_t x = std::max(start + reach, start + (goodEnd - start) / reach * reach); lookPast && x < run.total;
       x += pastStep) {
    if (x >= goodEnd) at.push_back(x);
  }
  if (at.empty() || at.back() != run.total - 1) at.push_back(run.total - 1);

  // Read in rising order, each candidate tried as it shows: the first read at or past a real wrap
  // W brings W itself (its multiples come later), so the first one confirmed is the wrap, and
  // the reads past it are spared. A run is told apart before any candidate is tried: the check
  // writes through the transfer buffer.
  std::set<std::int64_t> tried;
  std::vector<std::optional<BlockId>> ids;
  run.RefreshReadAhead();
  for (std::size_t i = 0; i < at.size() && !run.io.Stopped() && found.wrap == 0; ++i) {
    const std::int64_t x = at[i];
    if (x < windowEnd) continue;
    if (i % 4096 == 0) run.io.Progress(text::kPhaseWrap, i, at.size());
    const auto n = static_cast<std::int32_t>(std::min(stride, run.total - x));
    if (!run.io.Read(x, n)) continue;
    ids.clear();
    for (std::int32_t k = 0; k < n; ++k) {
      ids.push_back(IdentifyBlock(
          run.salt, {run.io.Data() + static_cast<std::size_t>(k) * kBlockBytes, kBlockBytes}, run.total,
          run.generation));
    }
    for (std::int32_t k = 0; k < n && found.wrap == 0 && !run.io.Stopped(); ++k) {
      const std::optional<BlockId>& id = ids[static_cast<std::size_t>(k)];
      const std::int64_t y = x + k;
      if (!id || id->generation != gen || id->sector < start || id->sector > lastBlock || id->sector == y) {
        continue;
      }
      const std::int64_t sector = id->sector;
      const std::int64_t wrap = y - sector;
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
  }
  if (found.wrap == 0 || run.io.Stopped()) return found;

  // The kind, from a window sector the check left alone; past the good sectors only when
  // lookPast.
  const std::int64_t a = found.confirmedAt;
  const std::int64_t s0 = (a - start) / stride < width / 2 ? lastBlock : start;
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
  // goes past it where the good memory leaves room. A wrap no larger than the shifted window's
  // reach would show as one of its multiples there; only then is the search made again from sector 0.
  const std::int64_t stride = WindowStride(goodEnd, w);
  const std::int64_t reach = w * stride;
  if (goodEnd >= 4 * (kKeptStartSectors + reach)) {
    const WrapFound shifted = FindWrapFrom(run, kKeptStartSectors, w, stride, goodEnd, lookPast);
    if (shifted.wrap == 0 || shifted.wrap > kKeptStartSectors + reach || run.io.Stopped()) return shifted;
  }
  return FindWrapFrom(run, 0, w, stride, goodEnd, lookPast);
}

}  // namespace sw::probe::detail
