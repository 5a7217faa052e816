// The pace of a stick's one channel: each transfer takes its bytes at the stick's speed, after
// the ones before it, however many requests FUSE runs at once, as a USB stick's do.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

namespace sw::e2e {

class SpeedLimit {
 public:
  // Bytes per second for reads and for writes; 0 leaves that direction at full speed.
  SpeedLimit(std::uint64_t readBytesPerSecond, std::uint64_t writeBytesPerSecond)
      : read_(readBytesPerSecond), write_(writeBytesPerSecond) {}

  // Returns when a transfer of `bytes` that waited its turn on the channel would be done.
  void Take(std::uint64_t bytes, bool writing);

 private:
  using Clock = std::chrono::steady_clock;
  const std::uint64_t read_, write_;
  std::mutex mutex_;
  Clock::time_point busyUntil_{};
};

}  // namespace sw::e2e
