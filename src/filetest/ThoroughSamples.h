// The verification behind the thorough test's writing: after each file, samples of everything
// written so far, some at new places and some where an earlier sample found the data whole.
// Data that read back whole once and is lost now shows a drive that gives its memory to newer
// writes (addresses that wrap, memory that follows the writes and evicts the oldest): writing
// on only destroys more, so the filling may stop there. Data lost as it is written (a drive
// that drops what lies past its memory) stops nothing: the filling goes on, as f3write's does,
// so that the final read-back finds every part of the real memory however the file system
// placed the files.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "core/AlignedBuffer.h"
#include "core/Context.h"
#include "filetest/ThoroughFiles.h"
#include "filetest/ThoroughProgress.h"

namespace sw::filetest::thorough {

inline constexpr std::size_t kSampleBytes = 1'048'576;

class BehindWriting {
 public:
  BehindWriting(core::Context& ctx, std::uint64_t seed);

  // File n is on the volume with `bytes` of test data (all of it, or as far as its writing went).
  void Written(std::uint64_t n, std::uint64_t bytes);
  // The samples after a step, each one read and judged. Failed: the volume went away.
  Result Check(core::AlignedBuffer& buffer, Progress& progress);
  // A sample that once read back whole is lost now.
  bool KeptDataLost() const { return keptLost_; }
  // Where the first such sample was: file and offset in it.
  std::uint64_t LostFile() const { return lostFile_; }
  std::uint64_t LostOffset() const { return lostOffset_; }

  // The samples of one step for files of `fileBytes`: new places and as many checks of old
  // ones. Enough to see within a step or two a drive that overwrites what it kept, and few
  // enough that their reads cost about 3 % of the writing's bytes.
  static std::uint64_t NewSamplesPerStep(std::uint64_t fileBytes);
  // The bytes the samples of a whole run of `files` such files read at most, for the progress.
  static std::uint64_t SampleBytesFor(std::uint64_t files, std::uint64_t fileBytes);

 private:
  struct Place {
    std::uint64_t n, offset;
  };
  struct Piece {
    std::uint64_t n, bytes, before;  // `before`: test data in the files before it
  };
  Place Locate(std::uint64_t dataOffset) const;
  // False: the volume went away.
  bool Sample(const Place& at, bool recheck, core::AlignedBuffer& buffer, Progress& progress);

  core::Context& ctx_;
  std::mt19937_64 rng_;
  std::vector<Piece> files_;
  std::uint64_t total_ = 0;
  std::uint64_t newest_ = 0;  // bytes of the latest file
  std::vector<Place> whole_;  // samples found whole, for later checks
  bool keptLost_ = false;
  std::uint64_t lostFile_ = 0, lostOffset_ = 0;
};

}  // namespace sw::filetest::thorough
