// The exact probe's search.
//
// Round one writes a window of consecutive blocks at the start of the drive (about sqrt(N)
// sectors) and single blocks a window apart across the rest, from the top down. A drive that
// wraps at R, whatever R is, lands the first spaced block at or above R inside the window, and
// because the spaced blocks go from the top down, that first alias is the last write to reach
// its place: the window then holds a block whose own number is exactly R above the sector it
// was read from. Blocks that read back lost, or fail, bracket the end of the real memory
// between two neighbours a window apart; later rounds put a ladder of about sqrt(gap) blocks
// into the bracket until it is one sector wide. Every round reads its blocks back in random
// order, so that no read-ahead cache can serve them.
//
// Write caches. F3's documentation describes fakes whose controller keeps the last writes it
// cannot store readable for a while (a few blocks up to about 256 MB), and f3probe first sizes
// such a cache and then writes more than it holds before reading back. Here the cache is sized
// by the drive's own answers: a block that reads back lost was pushed out of the cache, so the
// cache holds fewer sectors than were written after that block. The first read-back of a round
// (before any flood) gives that bound; the flood then rewrites that many sectors right above the
// lost block (where they are lost as well, so they go through the cache) and the blocks are read
// again. A drive that loses nothing at first gets kMaxFloodSectors rewritten at its top: a fake
// whose cache hides every probe block is caught as long as the cache is no larger. A flood
// sector is read and written back with the bytes it held, never written before its read in this
// run, so the flood changes nothing on a real sector.
#include "probe/ProbeEngine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

namespace sw::probe {
namespace {

// Brackets this narrow are filled completely: cheaper than another ladder and its flood.
constexpr std::int64_t kFillWhole = 4096;
// Transfers between two looks at Cancel.
constexpr int kPollEvery = 64;

enum class BlockState { Good, Lost, Alias, ReadError, WriteError };

struct Block {
  std::int64_t sector = 0;
  std::uint64_t writtenAt = 0;  // sector writes so far, right after this block's write
  BlockState state = BlockState::Good;
  std::int64_t holds = -1;      // Alias: the sector whose block was found here
};

bool Bad(BlockState s) { return s != BlockState::Good; }
// Written, read back without an error, and not what was written.
bool LostWrite(BlockState s) { return s == BlockState::Lost || s == BlockState::Alias; }

std::int64_t CeilSqrt(std::int64_t n) {
  auto r = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
  while (r > 0 && r * r >= n) --r;
  while (r * r < n) ++r;
  return std::max<std::int64_t>(r, 1);
}

class Search {
 public:
  Search(core::Context& ctx, ProbeIo& io, std::int64_t n, std::uint64_t seed)
      : ctx_(ctx), io_(io), n_(n), seed_(seed), shuffle_(seed ^ 0xA5A5A5A5u) {}

  ProbeResult Run();

 private:
  bool Cancelled();
  bool WriteBlocks(std::vector<Block>& blocks);
  bool ReadBlocks(std::vector<Block>& blocks, bool final);
  bool Flood(std::int64_t from, std::int64_t count);
  // Writes, reads, floods and reads again one round; false on Cancel.
  bool RunRound(std::vector<Block>& blocks, bool floodAlways, std::int64_t floodFrom);
  bool ConfirmWrap(std::int64_t period, bool& confirmed);
  // The lowest bad block (aliases counted or not) and the highest good one below it.
  void Scan(const std::vector<Block>& all, bool countAliases);
  ProbeResult Cancel() {
    result_.end = ProbeEnd::Cancelled;
    return result_;
  }

  core::Context& ctx_;
  ProbeIo& io_;
  std::int64_t n_;
  std::uint64_t seed_;
  std::mt19937_64 shuffle_;
  int sincePoll_ = 0;
  std::set<std::int64_t> written_;  // every sector that got a probe block in this run
  std::int64_t cacheBound_ = kMaxFloodSectors;
  ProbeResult result_;
  std::int64_t lowestBad_ = 0;
  std::int64_t highestGood_ = -1;
  BlockState badState_ = BlockState::Good;
};

bool Search::Cancelled() {
  if (++sincePoll_ < kPollEvery) return ctx_.state.CancelRequested;
  sincePoll_ = 0;
  ctx_.win.DoEvents();
  return ctx_.state.CancelRequested;
}

bool Search::WriteBlocks(std::vector<Block>& blocks) {
  std::array<std::uint8_t, kBlockBytes> bytes{};
  for (Block& b : blocks) {
    if (Cancelled()) return false;
    if (!io_.Save(b.sector)) {
      b.state = BlockState::ReadError;
      continue;
    }
    FillSaltedBlock(seed_, b.sector, bytes);
    const bool ok = io_.WriteBlock(b.sector, bytes);
    written_.insert(b.sector);
    b.writtenAt = io_.figures().sectorWrites;
    if (!ok) b.state = BlockState::WriteError;
  }
  return true;
}

bool Search::ReadBlocks(std::vector<Block>& blocks, bool final) {
  std::vector<std::size_t> order(blocks.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), shuffle_);
  std::array<std::uint8_t, kBlockBytes> bytes{};
  const std::uint64_t writesNow = io_.figures().sectorWrites;
  for (std::size_t i : order) {
    Block& b = blocks[i];
    if (b.state == BlockState::ReadError || b.state == BlockState::WriteError) continue;
    if (Cancelled()) return false;
    if (!io_.Read(b.sector, 1, bytes)) {
      b.state = BlockState::ReadError;
      continue;
    }
    const std::optional<std::int64_t> found = DecodeSaltedBlock(seed_, bytes);
    const bool wasGood = b.state == BlockState::Good;
    if (found && *found == b.sector) {
      b.state = BlockState::Good;
    } else {
      b.state = BlockState::Lost;
      if (found && written_.contains(*found)) {
        b.state = BlockState::Alias;
        b.holds = *found;
      }
      const auto since = static_cast<std::int64_t>(writesNow - b.writtenAt);
      if (!final) {
        cacheBound_ = std::min(cacheBound_, since);
      } else if (wasGood) {
        // Read back before the flood, lost after it: it was served from a cache that held at
        // least the writes made since.
        result_.cacheSectors = std::max(result_.cacheSectors, since);
      }
    }
  }
  return true;
}

bool Search::Flood(std::int64_t from, std::int64_t count) {
  std::vector<std::uint8_t> run(static_cast<std::size_t>(ProbeIo::kMaxRun) * kBlockBytes);
  std::int64_t s = std::max<std::int64_t>(from, 0);
  std::int64_t left = count;
  while (left > 0 && s < n_) {
    if (Cancelled()) return false;
    if (written_.contains(s)) {
      ++s;
      continue;
    }
    std::int32_t len = 1;
    while (len < ProbeIo::kMaxRun && len < left && s + len < n_ && !written_.contains(s + len)) ++len;
    if (io_.destructive()) {
      std::fill(run.begin(), run.end(), std::uint8_t{0});
      io_.Write(s, len, run);
    } else if (io_.Read(s, len, run)) {
      io_.Write(s, len, run);
    }
    result_.floodSectors += len;
    left -= len;
    s += len;
  }
  return true;
}

bool Search::RunRound(std::vector<Block>& blocks, bool floodAlways, std::int64_t floodFrom) {
  if (!WriteBlocks(blocks)) return false;
  if (!ReadBlocks(blocks, false)) return false;
  std::int64_t lowestLost = -1;
  for (const Block& b : blocks) {
    if (LostWrite(b.state) && (lowestLost < 0 || b.sector < lowestLost)) lowestLost = b.sector;
  }
  if (lowestLost < 0 && !floodAlways) return true;
  const std::int64_t count = cacheBound_;
  if (count == 0) return true;
  std::int64_t from = floodFrom;
  if (lowestLost >= 0) from = lowestLost + 1;
  if (from < 0) from = std::max<std::int64_t>(0, n_ - 1 - 2 * count);
  if (!Flood(from, count)) return false;
  return ReadBlocks(blocks, true);
}

// Wrapped addresses and a controller that answers lost sectors with the last block written
// look alike from one pair of sectors; a third write, to a sector that does not share v's
// place, tells them apart: only a wrap keeps v + period's block at v.
bool Search::ConfirmWrap(std::int64_t period, bool& confirmed) {
  confirmed = false;
  const std::int64_t v = period / 2;
  const std::int64_t other = v + period + 1;
  if (period < 2 || other >= n_) return true;
  for (std::int64_t s : {v, v + period, other}) {
    if (written_.contains(s)) return true;
  }
  std::vector<Block> trio{{v}, {v + period}, {other}};
  if (!WriteBlocks(trio)) return false;
  std::array<std::uint8_t, kBlockBytes> bytes{};
  if (Cancelled()) return false;
  if (trio[0].state == BlockState::Good && io_.Read(v, 1, bytes)) {
    const std::optional<std::int64_t> found = DecodeSaltedBlock(seed_, bytes);
    confirmed = found && *found == v + period;
  }
  return true;
}

void Search::Scan(const std::vector<Block>& all, bool countAliases) {
  lowestBad_ = n_;
  badState_ = BlockState::Good;
  for (const Block& b : all) {
    if (!Bad(b.state) || (!countAliases && b.state == BlockState::Alias)) continue;
    if (b.sector < lowestBad_) {
      lowestBad_ = b.sector;
      badState_ = b.state;
    }
    if (b.state == BlockState::ReadError) result_.readErrors = true;
    if (b.state == BlockState::WriteError) result_.writeErrors = true;
    if ((b.state == BlockState::ReadError || b.state == BlockState::WriteError) &&
        (result_.errorFromSector < 0 || b.sector < result_.errorFromSector)) {
      result_.errorFromSector = b.sector;
    }
  }
  highestGood_ = -1;
  for (const Block& b : all) {
    if (!Bad(b.state) && b.sector < lowestBad_) highestGood_ = std::max(highestGood_, b.sector);
  }
}

ProbeResult Search::Run() {
  result_.totalSectors = n_;
  const std::int64_t window = std::min(CeilSqrt(n_), n_);
  std::vector<Block> all;
  for (std::int64_t s = 0; s < window; ++s) all.push_back({s});
  std::vector<std::int64_t> spaced;
  for (std::int64_t s = window; s < n_ - 1; s += window) spaced.push_back(s);
  if (n_ - 1 >= window) spaced.push_back(n_ - 1);
  for (auto it = spaced.rbegin(); it != spaced.rend(); ++it) all.push_back({*it});

  if (!RunRound(all, true, -1)) return Cancel();

  // A block of one sector found at another: the smallest distance is the period of a wrap
  // (see the top of the file), once a third write has ruled out stale answers.
  std::int64_t wrap = 0;
  for (const Block& b : all) {
    if (b.state != BlockState::Alias) continue;
    const std::int64_t d = b.holds > b.sector ? b.holds - b.sector : b.sector - b.holds;
    if (wrap == 0 || d < wrap) wrap = d;
  }
  if (wrap > 0) {
    bool confirmed = false;
    if (!ConfirmWrap(wrap, confirmed)) return Cancel();
    if (confirmed) {
      Scan(all, false);
      result_.wrapSectors = wrap;
      result_.lastGoodSector = std::min(wrap, lowestBad_) - 1;
      bool lostAbove = false;
      for (const Block& b : all) lostAbove = lostAbove || (b.state == BlockState::Lost && b.sector >= wrap);
      result_.kind = lostAbove ? FakeKind::Chain : FakeKind::Wraparound;
      return result_;
    }
  }

  Scan(all, true);
  while (lowestBad_ < n_ && lowestBad_ - highestGood_ > 1) {
    const std::int64_t gap = lowestBad_ - highestGood_ - 1;
    const std::int64_t step = gap <= kFillWhole ? 1 : CeilSqrt(gap);
    std::vector<Block> ladder;
    for (std::int64_t s = lowestBad_ - step; s > highestGood_; s -= step) ladder.push_back({s});
    if (!RunRound(ladder, LostWrite(badState_), lowestBad_ + 1)) return Cancel();
    all.insert(all.end(), ladder.begin(), ladder.end());
    Scan(all, true);
  }

  result_.lastGoodSector = lowestBad_ - 1;
  if (lowestBad_ >= n_) {
    result_.kind = FakeKind::Genuine;
  } else if (LostWrite(badState_)) {
    result_.kind = lowestBad_ == 0 ? FakeKind::NoMemory : FakeKind::Limbo;
  } else {
    result_.kind = FakeKind::IoErrors;
  }
  return result_;
}

}  // namespace

std::uint64_t ProbeWriteBound(std::int64_t totalSectors, bool destructive) {
  if (totalSectors < 1) return 0;
  const std::int64_t window = std::min(CeilSqrt(totalSectors), totalSectors);
  std::uint64_t blocks = static_cast<std::uint64_t>(window + totalSectors / window + 1);
  std::uint64_t floods = static_cast<std::uint64_t>(kMaxFloodSectors);
  for (std::int64_t gap = window - 1; gap > 0;) {
    floods += static_cast<std::uint64_t>(kMaxFloodSectors);
    if (gap <= kFillWhole) {
      blocks += static_cast<std::uint64_t>(gap);
      break;
    }
    const std::int64_t step = CeilSqrt(gap);
    blocks += static_cast<std::uint64_t>(gap / step + 1);
    gap = step - 1;
  }
  return blocks * (destructive ? 1 : 2) + floods;
}

ProbeResult RunProbe(core::Context& ctx, ProbeIo& io, std::int64_t totalSectors, std::uint64_t seed) {
  if (totalSectors < 1) return {};
  return Search(ctx, io, totalSectors, seed).Run();
}

}  // namespace sw::probe
