// The helper thread of the thorough test: every job runs, in time for whoever waits for it, and
// none outlives the helper (whatever way the transfers end, their buffers are not touched after).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "filetest/ChunkHelper.h"

namespace sw::filetest::thorough {
namespace {

TEST(ChunkHelper, EveryJobIsDoneWhenItsNumberIsWaitedFor) {
  ChunkHelper helper;
  std::vector<int> out(64, 0);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(helper.Start([&out, i] { out[static_cast<std::size_t>(i)] = i + 1; }),
              static_cast<std::uint64_t>(i));
  }
  helper.WaitFor(63);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(out[static_cast<std::size_t>(i)], i + 1);
}

TEST(ChunkHelper, JobsLeftWhenItGoesAreFinishedFirst) {
  std::atomic<int> done{0};
  {
    ChunkHelper helper;
    for (int i = 0; i < 8; ++i) {
      helper.Start([&done] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++done;
      });
    }
  }  // as after Cancel: nobody waited for them
  EXPECT_EQ(done.load(), 8);
}

TEST(ChunkHelper, ACallerRunsWhatTheHelperHasNotBegun) {
  // Job 0 holds the helper until job 1 has run: only the waiting caller can run job 1. (Should
  // it not, job 0 gives up after a while, so a fault fails the test instead of hanging it.)
  std::atomic<bool> inJob0{false}, released{false};
  std::thread::id ranJob1;
  ChunkHelper helper;
  helper.Start([&] {
    inJob0 = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!released && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  });
  while (!inJob0) std::this_thread::yield();
  const std::uint64_t job1 = helper.Start([&] {
    ranJob1 = std::this_thread::get_id();
    released = true;
  });
  helper.WaitFor(job1);
  EXPECT_EQ(ranJob1, std::this_thread::get_id());
}

}  // namespace
}  // namespace sw::filetest::thorough
