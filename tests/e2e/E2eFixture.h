// The ground every end-to-end test stands on: the loop-test lock, the fake sticks it made (all
// torn down when the test ends, however it ends), and how to name a stick to the program.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "CliProcess.h"
#include "FakeStickDevice.h"
#include "Surroundings.h"
#include "Waiting.h"

namespace sw::e2e {

class E2eTest : public ::testing::Test {
 protected:
  // Checks that the run left every other disk and mount as it was, then undoes everything.
  void TearDown() override;

  // Where the sticks of this test sit: alone (the default) or among disks that come and go.
  // Set before the first Make, which makes the surroundings before the stick.
  void SetScene(Scene scene) { scene_ = scene; }
  bool UnderChurn() const { return scene_ == Scene::Churn; }

  // A new fake stick, or null after a skip (or, in CI, a failure) that says why.
  FakeStickDevice* Make(const std::vector<std::string>& options);
  // The volume letter the program gives the stick now ("F:"), empty when none.
  std::string Letter(const FakeStickDevice& stick) const;
  // True when the terminal takes a device path (its list then shows the device first).
  bool TakesDevicePaths(const FakeStickDevice& stick) const;
  // How a test names the stick for a destructive run: its device path where the program takes
  // one (always under churn, where a letter is a position that moves), else its letter with
  // --all (a loop device is no USB drive).
  std::vector<std::string> Name(const FakeStickDevice& stick) const;
  // Empty when a destructive run is safe (every loop device is one of ours), else the reason.
  std::string UnsafeToWrite() const;
  static bool Waiting(const char* feature) { return WaitingFor(feature); }
  const Surroundings* Around() const { return around_.get(); }  // null before the first Make

  std::vector<std::unique_ptr<FakeStickDevice>> sticks_;

 private:
  LoopTestLock lock_;
  bool locked_ = false;
  Scene scene_ = Scene::Quiet;
  std::unique_ptr<Surroundings> around_;  // made by the first Make, before its stick
};

// The twins of a table's test: every row once quiet and once under churn, with the same
// expectations, so both must give the same verdict, figures and exit status.
template <class Row>
class TwinTest : public E2eTest, public ::testing::WithParamInterface<std::tuple<Row, Scene>> {
 protected:
  void SetUp() override { SetScene(std::get<1>(this->GetParam())); }
  const Row& TheRow() const { return std::get<0>(this->GetParam()); }
};

template <class Row>
std::string TwinName(const ::testing::TestParamInfo<std::tuple<Row, Scene>>& info) {
  return std::string(std::get<0>(info.param).name) + "_" + SceneName(std::get<1>(info.param));
}

#define SW_E2E_TWINS(prefix, fixture, rows)                                                                \
  INSTANTIATE_TEST_SUITE_P(prefix, fixture,                                                                 \
                           ::testing::Combine(::testing::ValuesIn(rows),                                   \
                                              ::testing::Values(::sw::e2e::Scene::Quiet, ::sw::e2e::Scene::Churn)), \
                           [](const auto& twinInfo) { return ::sw::e2e::TwinName(twinInfo); })

// The twins of a test without a table (TEST_P(E2eTwin, ...)), instantiated once for the suite.
class E2eTwin : public E2eTest, public ::testing::WithParamInterface<Scene> {
 protected:
  void SetUp() override { SetScene(GetParam()); }
};


#define SW_E2E_MAKE(var, ...)      \
  FakeStickDevice* var = Make(__VA_ARGS__); \
  if (!var) return

#define SW_E2E_REQUIRE_SAFE()                                        \
  do {                                                               \
    std::string unsafe = UnsafeToWrite();                            \
    if (!unsafe.empty()) GTEST_SKIP() << unsafe;                     \
  } while (0)

}  // namespace sw::e2e
