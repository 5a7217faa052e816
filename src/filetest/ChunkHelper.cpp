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
    changed_.wait(lock, [this] { return done_ == started_; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::uint64_t ChunkHelper::Start(std::function<void()> job) {
  if (!thread_.joinable()) {
    job();
    ++done_;
    return started_++;
  }
  std::uint64_t number = 0;
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    number = started_++;
  }
  changed_.notify_all();
  return number;
}

void ChunkHelper::WaitFor(std::uint64_t number) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this, number] { return done_ > number; });
}

void ChunkHelper::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !jobs_.empty() || stop_; });
    if (jobs_.empty()) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
    ++done_;
    changed_.notify_all();
  }
}

}  // namespace sw::filetest::thorough
