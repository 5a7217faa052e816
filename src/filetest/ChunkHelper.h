// A second thread for the thorough test's arithmetic: while the calling thread moves one chunk to
// or from the drive, the helper makes the next chunk's data or checks the last one's. At the
// speed of memory, making and checking every byte costs about what moving it does; side by side
// the two take the time of the slower one. A job touches only the buffer and the figures it is
// given, never the context: the system calls and the window stay on the calling thread, which
// keeps polling Cancel between chunks.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sw::filetest::thorough {

class ChunkHelper {
 public:
  ChunkHelper();
  // Waits for the job in hand, then ends the thread: whatever the way out of the caller's loop,
  // no job outlives the buffers it works on as long as the helper is declared after them.
  ~ChunkHelper();
  ChunkHelper(const ChunkHelper&) = delete;
  ChunkHelper& operator=(const ChunkHelper&) = delete;

  // Hands over a job (one at a time: Wait for the last one first). Without a thread (the
  // system would not give one) the job runs here and now.
  void Start(std::function<void()> job);
  // Returns once the job handed over is done.
  void Wait();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  bool busy_ = false;
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the members it uses are there
};

}  // namespace sw::filetest::thorough
