// Live progress of the thorough test.
#include "filetest/ThoroughProgress.h"

#include <algorithm>

#include "core/Progress.h"

namespace sw::filetest::thorough {

void Progress::Plan(std::uint64_t writeBytes, std::uint64_t readBytes) {
  writeTotal_ = writeBytes;
  readTotal_ = readBytes;
}

void Progress::StopWriting(std::uint64_t finalReadBytes) {
  writeTotal_ = written_;
  readTotal_ = read_ + finalReadBytes;
}

void Progress::Shrink(std::uint64_t bytes) {
  writeTotal_ -= std::min(bytes, writeTotal_);
  readTotal_ -= std::min(bytes, readTotal_);
}

void Progress::Begin(const char* phase, core::Direction direction) {
  phaseBytes_ = phase_ == phase ? phaseBytes_ + passBytes_ : 0;
  phase_ = phase;
  direction_ = direction;
  passStart_ = ctx_.os.GetTickCount();
  passBytes_ = 0;
  Show(passStart_);
}

void Progress::Moved(std::uint64_t bytes) {
  passBytes_ += bytes;
  const std::uint32_t now = ctx_.os.GetTickCount();
  // Unsigned difference: right across the tick counter's wrap.
  if (now - lastShown_ >= kIntervalMs) Show(now);
}

void Progress::End() {
  const std::uint32_t now = ctx_.os.GetTickCount();
  Show(now);
  const std::uint32_t ms = now - passStart_;
  if (direction_ == core::Direction::Write) {
    written_ += passBytes_;
    writeMs_ += ms;
  } else {
    read_ += passBytes_;
    readMs_ += ms;
  }
  // A later pass of the same phase goes on counting from here.
  phaseBytes_ += passBytes_;
  passBytes_ = 0;
}

double Progress::RemainingSeconds(std::uint32_t now) const {
  const std::uint64_t passMs = now - passStart_;
  const bool writing = direction_ == core::Direction::Write;
  const std::uint64_t wBytes = written_ + (writing ? passBytes_ : 0);
  const std::uint64_t rBytes = read_ + (writing ? 0 : passBytes_);
  const auto wMs = static_cast<double>(writeMs_ + (writing ? passMs : 0));
  const auto rMs = static_cast<double>(readMs_ + (writing ? 0 : passMs));
  if (wBytes == 0 && rBytes == 0) return -1;
  // Until a pass of one direction is measured, the other one's pace stands in for it.
  const double writePace = wBytes > 0 ? wMs / static_cast<double>(wBytes) : rMs / static_cast<double>(rBytes);
  const double readPace = rBytes > 0 ? rMs / static_cast<double>(rBytes) : writePace;
  const auto writeLeft = static_cast<double>(writeTotal_ - std::min(wBytes, writeTotal_));
  const auto readLeft = static_cast<double>(readTotal_ - std::min(rBytes, readTotal_));
  return (writeLeft * writePace + readLeft * readPace) / 1000.0;
}

void Progress::Show(std::uint32_t now) {
  lastShown_ = now;
  core::ProgressUpdate u;
  u.phase = phase_;
  u.done = written_ + read_ + passBytes_;
  u.total = std::max(u.done, writeTotal_ + readTotal_);
  u.bytesMoved = phaseBytes_ + passBytes_;
  u.remainingSeconds = RemainingSeconds(now);
  core::ReportProgress(ctx_, u, direction_);
}

}  // namespace sw::filetest::thorough
