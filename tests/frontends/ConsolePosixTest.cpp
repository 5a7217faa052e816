// The Linux terminal's Cancel button: Ctrl-C, a kill and a closed terminal all press it.
#include <gtest/gtest.h>
#include <signal.h>

#include "frontends/cli/Console.h"

namespace sw::frontends::cli {
namespace {

class SignalIsCancel : public ::testing::TestWithParam<int> {};

TEST_P(SignalIsCancel, PressesCancelOnceAndLeavesNothingPending) {
  auto console = MakeConsole(true);
  EXPECT_FALSE(console->CancelPressed());
  ASSERT_EQ(raise(GetParam()), 0);  // blocked while caught: it waits for the next poll
  EXPECT_TRUE(console->CancelPressed());
  EXPECT_FALSE(console->CancelPressed());
  // Pending when the console goes: the old mask must not let it end this process.
  ASSERT_EQ(raise(GetParam()), 0);
  console.reset();
  sigset_t pending;
  sigemptyset(&pending);
  ASSERT_EQ(sigpending(&pending), 0);
  EXPECT_EQ(sigismember(&pending, GetParam()), 0);
}

INSTANTIATE_TEST_SUITE_P(InterruptTerminateHangUp, SignalIsCancel,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP));

}  // namespace
}  // namespace sw::frontends::cli
