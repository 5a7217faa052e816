// A second thread for the thorough test's arithmetic: while the calling thread moves chunks to
// or from the drive, the helper makes the data of the chunks to come or checks the chunks that
// came. At the speed of memory, making and checking every byte costs about what moving it does;
// side by side the two take the time of the slower one, and a few chunks of slack keep a helper
// that the machine runs late from holding up the transfers. A job touches only the buffer and the
// figures it is given, never the context: the system calls and the window stay on the calling
// thread, which keeps polling Cancel between chunks.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sw::filetest::thorough {

class ChunkHelper {
 public:
  ChunkHelper();
  // Finishes the jobs handed over, then ends the thread: whatever the way out of the caller's
  // loop, no job outlives the buffers it works on as long as they outlive the helper.
  ~ChunkHelper();
  ChunkHelper(const ChunkHelper&) = delete;
  ChunkHelper& operator=(const ChunkHelper&) = delete;

  // Queues a job; jobs run one after another in the order given and are numbered from 0.
  // Without a thread (the system would not give one) the job runs here and now.
  std::uint64_t Start(std::function<void()> job);
  // Returns once job `number` (and so every one before it) is done.
  void WaitFor(std::uint64_t number);

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  std::uint64_t started_ = 0;  // jobs handed over
  std::uint64_t done_ = 0;     // jobs finished
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the members it uses are there
};

}  // namespace sw::filetest::thorough
