// The stick's channel, in time.
#include "SpeedLimit.h"

#include <algorithm>
#include <thread>

namespace sw::e2e {

void SpeedLimit::Take(std::uint64_t bytes, bool writing) {
  const std::uint64_t rate = writing ? write_ : read_;
  if (rate == 0) return;
  Clock::time_point done;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point start = std::max(Clock::now(), busyUntil_);
    busyUntil_ = start + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(static_cast<double>(bytes) / static_cast<double>(rate)));
    done = busyUntil_;
  }
  std::this_thread::sleep_until(done);
}

}  // namespace sw::e2e
