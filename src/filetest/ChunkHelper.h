// A second thread for the thorough test's arithmetic: while the calling thread moves chunks to
// or from the drive, the helper makes the data of the chunks to come or checks the chunks that
// came. At the speed of memory, making and checking every byte costs about what moving it does;
// side by side the two take the time of the slower one. On a busy machine the helper may get its
// turn late: a caller that needs a job no one has begun runs it itself rather than wait, so the
// transfers are never slower than making and checking in line would make them.
// A job touches only the buffer and the figures it is given, never the context: the system calls
// and the window stay on the calling thread, which keeps polling Cancel between chunks.
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

  // Queues a job, numbered from 0 in the order given. Jobs must not depend on each other: two
  // of them may run at once, one here and one on the helper.
  std::uint64_t Start(std::function<void()> job);
  // Returns once job `number` and every one before it are done, running those that no one has
  // begun yet on this thread.
  void WaitFor(std::uint64_t number);

 private:
  struct Job {
    std::function<void()> run;
    bool taken = false;
    bool finished = false;
  };

  // Takes the first job no one has begun, numbered up to `last`; null when there is none.
  Job* Take(std::uint64_t last);
  void Finish(Job& job);
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;       // the jobs from number first_ on (a deque keeps them in place)
  std::uint64_t first_ = 0;    // every job before it is finished
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the members it uses are there
};

}  // namespace sw::filetest::thorough
