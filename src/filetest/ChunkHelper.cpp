// The helper thread of the thorough test's transfers.
#include "filetest/ChunkHelper.h"

#include <system_error>
#include <utility>

namespace sw::filetest::thorough {

ChunkHelper::ChunkHelper() {
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (const std::system_error&) {
    // No thread to be had: the jobs run on the caller's thread, only slower.
  }
}

ChunkHelper::~ChunkHelper() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ChunkHelper::Start(std::function<void()> job) {
  if (!thread_.joinable()) {
    job();
    return;
  }
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    job_ = std::move(job);
    busy_ = true;
  }
  changed_.notify_all();
}

void ChunkHelper::Wait() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
}

void ChunkHelper::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stop_; });
    if (busy_) {
      std::function<void()> job = std::move(job_);
      lock.unlock();
      job();
      lock.lock();
      busy_ = false;
      changed_.notify_all();
    } else {
      return;
    }
  }
}

}  // namespace sw::filetest::thorough
