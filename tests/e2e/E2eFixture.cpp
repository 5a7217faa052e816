// The end-to-end fixture: sticks made and unmade, letters looked up as the program sees them.
#include "E2eFixture.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "LoopStick.h"
#include "platform/linux/LinuxOs.h"

namespace sw::e2e {

void E2eTest::TearDown() {
  if (around_ && !IsSkipped()) {
    std::vector<std::filesystem::path> folders;
    for (const auto& s : sticks_) folders.push_back(s->Folder());
    const std::string changes = around_->Check(folders);
    EXPECT_EQ(changes, "") << around_->Describe();
    // The churn's latest events beside any other failure, to see what came and went.
    if (changes.empty() && HasFailure() && UnderChurn()) std::cout << around_->Describe() << std::endl;
  }
  // Newest first: a stick attached later may have taken a number an older one gave back.
  while (!sticks_.empty()) sticks_.pop_back();
  around_.reset();
}

FakeStickDevice* E2eTest::Make(const std::vector<std::string>& options) {
  std::string whyNot;
  if (!FakeStickDevice::CanMake(whyNot)) {
    [&] { SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot); }();
    return nullptr;
  }
  if (!locked_) {
    if (!lock_.Acquire()) {
      ADD_FAILURE() << "cannot take the loop-test lock";
      return nullptr;
    }
    locked_ = true;
  }
  if (!around_) {
    around_ = Surroundings::Make(scene_, whyNot);
    if (!around_) {
      [&] { SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot); }();
      return nullptr;
    }
  }
  auto stick = FakeStickDevice::Create(options, whyNot);
  if (!stick) {
    [&] { SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot); }();
    return nullptr;
  }
  sticks_.push_back(std::move(stick));
  return sticks_.back().get();
}

std::string E2eTest::Letter(const FakeStickDevice& stick) const {
  platform::linuxos::LinuxOs os;
  for (const auto& v : os.Snapshot().volumes) {
    if (v.devNode == stick.Disk()) return std::string(1, v.letter) + ":";
  }
  return {};
}

bool E2eTest::TakesDevicePaths(const FakeStickDevice& stick) const {
  // A list line that begins with the device: the mount line below an entry ("D:  /dev/loop0
  // (not mounted)") names it too, but later in the line.
  std::istringstream lines(RunCli({"list", "--all"}).output);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t start = line.find_first_not_of(' ');
    if (start != std::string::npos && line.compare(start, stick.Disk().size() + 1, stick.Disk() + " ") == 0) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> E2eTest::Name(const FakeStickDevice& stick) const {
  // Under churn the list is itself under test, so it does not decide how the stick is named.
  if (UnderChurn() || TakesDevicePaths(stick)) return {stick.Disk()};
  return {Letter(stick), "--all"};
}

std::string E2eTest::UnsafeToWrite() const {
  std::vector<const FakeStickDevice*> ours;
  for (const auto& s : sticks_) ours.push_back(s.get());
  std::string foreign;
  if (OnlyTheseLoopDevices(ours, around_ ? around_->OurFolders() : std::vector<std::filesystem::path>{}, foreign)) {
    return {};
  }
  return "a loop device that is not this test's is attached (" + foreign +
         "): no destructive run while the program could pick it";
}

// The churn's promises to the tests: its disks take numbers both below and above the stick's,
// and none of them makes a destructive run look unsafe.
TEST_P(E2eTwin, TheChurnMovesNumbersOnBothSidesOfTheStickAndCountsAsOurs) {
  SW_E2E_MAKE(stick, {"--size=64Mi"});
  EXPECT_EQ(UnsafeToWrite(), "");
  if (!UnderChurn()) {
    EXPECT_EQ(Around()->Churn(), nullptr);
    return;
  }
  const int number = std::stoi(stick->Disk().substr(std::string("/dev/loop").size()));
  bool below = false, above = false;
  for (int i = 0; i < 100 && !(below && above); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int n : Around()->Churn()->NumbersUsed()) {
      below = below || n < number;
      above = above || n > number;
    }
  }
  EXPECT_TRUE(below) << Around()->Describe();
  EXPECT_TRUE(above) << Around()->Describe();
  EXPECT_EQ(UnsafeToWrite(), "") << Around()->Describe();
}

INSTANTIATE_TEST_SUITE_P(Scenes, E2eTwin, ::testing::Values(Scene::Quiet, Scene::Churn),
                         [](const auto& sceneInfo) { return std::string(SceneName(sceneInfo.param)); });

}  // namespace sw::e2e
