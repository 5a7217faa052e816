// The thorough test's live progress: the share of the whole run done, the speed of the pass in
// hand, and the time left for the writing and for every read-back still ahead, shown inside
// each file as its chunks move (a 1 GB file takes a minute on a slow stick).
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::filetest::thorough {

class Progress {
 public:
  // Updates at most this often, and at the start and end of every pass.
  static constexpr std::uint32_t kIntervalMs = 500;

  explicit Progress(core::Context& ctx) : ctx_(ctx) {}

  // What the whole run moves, counting what is done already: the bytes it writes and the bytes
  // it reads (the samples behind the writing, and every file once at the end).
  void Plan(std::uint64_t writeBytes, std::uint64_t readBytes);
  // The writing ends early (the volume, failing writes, or samples that show the drive losing
  // what it kept): what is left is the final read-back, `finalReadBytes` of it.
  void StopWriting(std::uint64_t finalReadBytes);
  // The last file came out `bytes` shorter than planned: that much less to write and to read.
  void Shrink(std::uint64_t bytes);
  // A pass over one file begins. Passes of one name in a row make one phase of the record
  // (the final read-back of all files); a new name starts a new one (each file's writing).
  void Begin(const char* phase, core::Direction direction);
  // `bytes` more moved in the pass in hand.
  void Moved(std::uint64_t bytes);
  // The pass is over: its last figures are shown, so that the record's phase covers all of it.
  void End();

  // Seconds still to go by the paces measured so far; negative while nothing is measured yet.
  double RemainingSeconds(std::uint32_t now) const;

 private:
  void Show(std::uint32_t now);

  core::Context& ctx_;
  std::uint64_t writeTotal_ = 0, readTotal_ = 0;
  // Done and timed in the passes that are over.
  std::uint64_t written_ = 0, read_ = 0;
  std::uint64_t writeMs_ = 0, readMs_ = 0;
  // The pass in hand.
  std::string phase_;
  core::Direction direction_ = core::Direction::None;
  std::uint32_t passStart_ = 0;
  std::uint64_t passBytes_ = 0;
  std::uint64_t phaseBytes_ = 0;  // of the passes of this phase before the one in hand
  std::uint32_t lastShown_ = 0;
};

}  // namespace sw::filetest::thorough
