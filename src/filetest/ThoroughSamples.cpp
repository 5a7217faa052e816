// Samples of the thorough test's files while it writes them.
#include "filetest/ThoroughSamples.h"

#include <algorithm>

#include "filetest/FileTestTexts.h"
#include "filetest/H2wFormat.h"

namespace sw::filetest::thorough {

namespace {

// Old places remembered: enough to spread the checks over the whole volume, a bound on memory.
constexpr std::size_t kRemembered = 4096;

}  // namespace

BehindWriting::BehindWriting(core::Context& ctx, std::uint64_t seed) : ctx_(ctx), rng_(seed) {}

std::uint64_t BehindWriting::NewSamplesPerStep(std::uint64_t fileBytes) {
  // 16 for a 1 GiB file: with as many checks of old places, 32 MiB read per 1,024 written.
  return std::clamp<std::uint64_t>(fileBytes / (64 * kSampleBytes), 1, 16);
}

std::uint64_t BehindWriting::SampleBytesFor(std::uint64_t files, std::uint64_t fileBytes) {
  return files * 2 * NewSamplesPerStep(fileBytes) * kSampleBytes;
}

void BehindWriting::Written(std::uint64_t n, std::uint64_t bytes) {
  newest_ = bytes;
  if (bytes == 0) return;
  files_.push_back({n, bytes, total_});
  total_ += bytes;
}

BehindWriting::Place BehindWriting::Locate(std::uint64_t dataOffset) const {
  const auto it = std::upper_bound(files_.begin(), files_.end(), dataOffset,
                                   [](std::uint64_t at, const Piece& p) { return at < p.before; });
  const Piece& piece = *(it - 1);
  return {piece.n, dataOffset - piece.before};
}

bool BehindWriting::Sample(const Place& at, bool recheck, core::AlignedBuffer& buffer,
                           Progress& progress) {
  const auto piece = std::find_if(files_.begin(), files_.end(), [&](const Piece& p) { return p.n == at.n; });
  const std::uint64_t left = piece->bytes - at.offset;
  const auto bytes = static_cast<std::size_t>(std::min<std::uint64_t>(kSampleBytes, left) /
                                              h2w::kSectorBytes * h2w::kSectorBytes);
  if (bytes == 0) return true;
  Tally tally;
  if (ReadSample(ctx_, at.n, at.offset, bytes, buffer, tally) == Result::Failed) return false;
  progress.Moved(bytes);
  if (tally.good == tally.Sectors()) {
    if (!recheck) {
      if (whole_.size() < kRemembered) {
        whole_.push_back(at);
      } else {
        whole_[std::uniform_int_distribution<std::size_t>(0, whole_.size() - 1)(rng_)] = at;
      }
    }
    return true;
  }
  // Flipped bits are wear, not memory given away: only data that is gone or belongs elsewhere
  // counts against what was kept.
  if (recheck && !keptLost_ && tally.corrupted + tally.overwritten > 0) {
    keptLost_ = true;
    lostFile_ = at.n;
    lostOffset_ = at.offset;
  }
  return true;
}

Result BehindWriting::Check(core::AlignedBuffer& buffer, Progress& progress) {
  if (total_ == 0) return Result::Done;
  progress.Begin(texts::kThoroughPhaseSamples, core::Direction::Read);
  // The old places first: the new file may be what pushed them out.
  const std::uint64_t count = NewSamplesPerStep(std::max(newest_, kSampleBytes));
  std::vector<Place> old;
  for (std::uint64_t i = 0; i < count && !whole_.empty(); ++i) {
    old.push_back(whole_[std::uniform_int_distribution<std::size_t>(0, whole_.size() - 1)(rng_)]);
  }
  for (const Place& at : old) {
    if (!Sample(at, true, buffer, progress)) return Result::Failed;
  }
  // One new place in each of `count` equal slices of everything written, on a whole MiB.
  const std::uint64_t units = (total_ + kSampleBytes - 1) / kSampleBytes;
  const std::uint64_t slices = std::min(count, units);
  for (std::uint64_t i = 0; i < slices; ++i) {
    const std::uint64_t first = units * i / slices, end = units * (i + 1) / slices;
    const std::uint64_t unit = std::uniform_int_distribution<std::uint64_t>(first, end - 1)(rng_);
    Place at = Locate(unit * kSampleBytes);
    at.offset = at.offset / kSampleBytes * kSampleBytes;
    if (!Sample(at, false, buffer, progress)) return Result::Failed;
  }
  progress.End();
  ctx_.win.DoEvents();
  return ctx_.state.CancelRequested ? Result::Cancelled : Result::Done;
}

}  // namespace sw::filetest::thorough
