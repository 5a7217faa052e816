// The helper thread of the thorough test's transfers.
#include "filetest/ChunkHelper.h"

#include <system_error>
#include <utility>

namespace sw::filetest::thorough {

ChunkHelper::ChunkHelper() {
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (const std::system_error&) {
    // No thread to be had: WaitFor runs every job on the caller's thread.
  }
}

ChunkHelper::~ChunkHelper() {
  std::uint64_t end = 0;
  {
    std::lock_guard lock(mutex_);
    end = first_ + jobs_.size();
  }
  if (end > 0) WaitFor(end - 1);
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::uint64_t ChunkHelper::Start(std::function<void()> job) {
  std::uint64_t number = 0;
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back({std::move(job)});
    number = first_ + jobs_.size() - 1;
  }
  changed_.notify_all();
  return number;
}

ChunkHelper::Job* ChunkHelper::Take(std::uint64_t last) {
  for (std::uint64_t n = first_; n <= last && n - first_ < jobs_.size(); ++n) {
    Job& job = jobs_[n - first_];
    if (!job.taken) {
      job.taken = true;
      return &job;
    }
  }
  return nullptr;
}

// Called with the lock held.
void ChunkHelper::Finish(Job& job) {
  job.finished = true;
  job.run = nullptr;
  while (!jobs_.empty() && jobs_.front().finished) {
    jobs_.pop_front();
    ++first_;
  }
  changed_.notify_all();
}

void ChunkHelper::WaitFor(std::uint64_t number) {
  std::unique_lock lock(mutex_);
  while (first_ <= number) {
    if (Job* job = Take(number)) {
      lock.unlock();
      job->run();
      lock.lock();
      Finish(*job);
    } else {
      changed_.wait(lock);
    }
  }
}

void ChunkHelper::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Job* job = Take(first_ + jobs_.size());
    if (job) {
      lock.unlock();
      job->run();
      lock.lock();
      Finish(*job);
    } else if (stop_) {
      return;
    } else {
      changed_.wait(lock);
    }
  }
}

}  // namespace sw::filetest::thorough
