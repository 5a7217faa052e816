// The ground every end-to-end test stands on: the loop-test lock, the fake sticks it made (all
// torn down when the test ends, however it ends), and how to name a stick to the program.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "FakeStickDevice.h"

namespace sw::e2e {

class E2eTest : public ::testing::Test {
 protected:
  void TearDown() override;

  // A new fake stick, or null after a skip (or, in CI, a failure) that says why.
  FakeStickDevice* Make(const std::vector<std::string>& options);
  // The volume letter the program gives the stick now ("F:"), empty when none.
  std::string Letter(const FakeStickDevice& stick) const;
  // True when the terminal takes a device path (its list then shows the device first).
  bool TakesDevicePaths(const FakeStickDevice& stick) const;
  // How a test names the stick for a destructive run: its device path where the program takes
  // one, else its letter with --all (a loop device is no USB drive).
  std::vector<std::string> Name(const FakeStickDevice& stick) const;
  // Empty when a destructive run is safe (every loop device is one of ours), else the reason.
  std::string UnsafeToWrite() const;
  // Tests of a protection the program does not have yet skip with what they wait for, unless
  // SW_E2E_RUN_WAITING=1 asks to run them anyway and see them fail.
  static bool Waiting(const char* feature);

  std::vector<std::unique_ptr<FakeStickDevice>> sticks_;

 private:
  LoopTestLock lock_;
  bool locked_ = false;
};

#define SW_E2E_WAITS_FOR(feature)                                   \
  do {                                                              \
    if (Waiting(feature)) GTEST_SKIP() << "waits for " << (feature); \
  } while (0)

#define SW_E2E_MAKE(var, ...)      \
  FakeStickDevice* var = Make(__VA_ARGS__); \
  if (!var) return

#define SW_E2E_REQUIRE_SAFE()                                        \
  do {                                                               \
    std::string unsafe = UnsafeToWrite();                            \
    if (!unsafe.empty()) GTEST_SKIP() << unsafe;                     \
  } while (0)

}  // namespace sw::e2e
