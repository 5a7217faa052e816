// The real terminal program on a loop-device stick: list, the volume file test and the Quick
// Size Test, end to end through LinuxOs; each once alone and once while other disks come and go.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <filesystem>
#include <vector>

#include "LoopStick.h"
#include "Surroundings.h"
#include "Waiting.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {
namespace {

using e2e::Scene;
using testing::LoopStick;
using testing::Quote;

struct CliRun {
  int exitCode = -1;
  std::string output;
};

// Runs sizewarden with args, stdin from /dev/null, stdout and stderr together.
CliRun RunCli(const std::string& args) {
  CliRun run;
  FILE* pipe = ::popen((Quote(SW_CLI_BINARY) + " " + args + " </dev/null 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class CliOnLoopStick : public ::testing::TestWithParam<Scene> {
 protected:
  void SetUp() override {
    std::string whyNot;
    // The surroundings first, under the lock, so that the churn holds numbers below the stick.
    lock_ = testing::TakeLoopTestLock();
    ASSERT_TRUE(lock_.valid()) << "cannot take the loop-test lock";
    around_ = e2e::Surroundings::Make(GetParam(), whyNot);
    if (!around_) SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot);
    stick_ = LoopStick::Create(whyNot, LoopStick::Layout::Ext4Partition, LoopStick::kDefaultBytes, true);
    if (!stick_) SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot);
    LinuxOs os;
    DeviceMap map = os.Snapshot();
    for (const PhysicalDisk& d : map.disks) {
      if (d.known() && d.devNode == stick_->Disk()) drive_ = d.number;
    }
    for (const VolumeEntry& v : map.volumes) {
      if (v.devNode == stick_->Partition()) letter_ = std::string(1, v.letter) + ":";
    }
    ASSERT_GE(drive_, 1);
    ASSERT_FALSE(letter_.empty());
  }

  void TearDown() override {
    if (around_ && stick_ && !IsSkipped()) {
      const std::string changes = around_->Check({stick_->Folder()});
      EXPECT_EQ(changes, "") << around_->Describe();
      if (changes.empty() && HasFailure()) std::cout << around_->Describe() << std::endl;
    }
    stick_.reset();
    around_.reset();
  }

  bool UnderChurn() const { return GetParam() == Scene::Churn; }
  static bool Waiting(const char* feature) { return e2e::WaitingFor(feature); }
  // How a command names the stick's volume: by its letter when nothing else moves, by its
  // partition while disks come and go (a letter is the position this process saw, which the
  // program may see differently a moment later).
  std::string Volume() const { return UnderChurn() ? stick_->Partition() : letter_; }

  platform::linuxos::UniqueFd lock_;  // first: released last
  std::unique_ptr<e2e::Surroundings> around_;
  std::unique_ptr<LoopStick> stick_;
  int drive_ = -1;
  std::string letter_;
};

TEST_P(CliOnLoopStick, ListAllShowsTheStickWithLetterLabelAndSize) {
  CliRun all = RunCli("list --all");
  ASSERT_EQ(all.exitCode, 0) << all.output;
  // The stick's own line, found by its device: its label and size must be beside it.
  std::size_t at = all.output.find(stick_->Disk() + "  ");
  ASSERT_NE(at, std::string::npos) << all.output;
  std::string line = all.output.substr(at, all.output.find('\n', at) - at);
  EXPECT_NE(line.find(std::string("     ") + LoopStick::kLabel + "   [DRIVE "), std::string::npos) << line;
  if (!UnderChurn()) {  // letters and numbers are positions another process saw just now
    std::string entry = letter_ + "     " + LoopStick::kLabel + "   [DRIVE " + std::to_string(drive_) + "]";
    EXPECT_NE(line.find(entry), std::string::npos) << all.output;
  }
  // The usable size: whole cylinders of 255 x 63 sectors of what BLKGETSIZE64 reported (a loop
  // device answers no READ CAPACITY), in MiB with one decimal, cut.
  constexpr std::uint64_t kCylinder = 255ull * 63 * 512;
  std::uint64_t usable = stick_->Bytes() / kCylinder * kCylinder;
  std::uint64_t tenthsOfMiB = usable * 10 / (1024 * 1024);
  std::string size = std::to_string(tenthsOfMiB / 10) + "." + std::to_string(tenthsOfMiB % 10) + "MiB";
  EXPECT_NE(line.find(size), std::string::npos) << line << " lacks " << size;
  // A loop device is no USB drive: the default list leaves it out.
  CliRun usbOnly = RunCli("list");
  EXPECT_EQ(usbOnly.output.find(stick_->Disk()), std::string::npos) << usbOnly.output;
  EXPECT_EQ(usbOnly.output.find(LoopStick::kLabel), std::string::npos) << usbOnly.output;
}

TEST_P(CliOnLoopStick, VolumeFileTestPassesAndCleansUp) {
  CliRun run = RunCli("files " + Volume() + " --yes --all");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
  // The question names the volume as a shell or a file manager knows it.
  EXPECT_NE(run.output.find(" (" + stick_->Partition() + " on " + stick_->MountDir().string() + ") with "),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find(letter_ + "\\WARDFILE"), std::string::npos) << run.output;
  EXPECT_TRUE(stick_->IsMounted());
  for (const auto& entry : std::filesystem::directory_iterator(stick_->MountDir())) {
    EXPECT_EQ(entry.path().filename().string().rfind("WARDFILE", 0), std::string::npos) << entry.path();
  }
}

TEST_P(CliOnLoopStick, QuickTestPassesAndLeavesABlankUnmountedDisk) {
  CliRun run = RunCli("quick " + stick_->Disk() + " --yes");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
  // Linux words: a loop device is no removable disk, and Windows is no tool to reformat it.
  EXPECT_NE(run.output.find(kLinuxWording.classedFixed), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(kLinuxWording.unplugAndReformat), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Windows"), std::string::npos) << run.output;
  EXPECT_FALSE(stick_->IsMounted()) << "the partition is still mounted";
  // Sector 0 is zero in the image itself, so it went through to the "flash".
  UniqueFd image(::open(stick_->Image().c_str(), O_RDONLY));
  ASSERT_TRUE(image.valid());
  std::vector<std::uint8_t> sector0(512, 0xFF);
  ASSERT_EQ(::pread(image.get(), sector0.data(), 512, 0), 512);
  EXPECT_EQ(sector0, std::vector<std::uint8_t>(512, 0));
  // Nothing holds the disk any more: it detaches at once, and no mount refers to it.
  std::string holders;
  testing::Run("ls /sys/block/" + stick_->Disk().substr(5) + "/holders", &holders);
  EXPECT_EQ(holders, "");
  std::string attached;
  ASSERT_TRUE(testing::Run("losetup -j " + Quote(stick_->Image().string()), &attached));
  EXPECT_EQ(std::count(attached.begin(), attached.end(), '\n'), 0) << attached;  // one line: ours
  // The old partition is gone with the partition table, so the blank disk is listed by a
  // letter of its own, ready to be tested again.
  EXPECT_FALSE(std::filesystem::exists(stick_->Partition()));
  CliRun list = RunCli("list --all");
  EXPECT_NE(list.output.find(stick_->Disk() + "  "), std::string::npos) << list.output;
  if (!UnderChurn()) {
    EXPECT_NE(list.output.find("[DRIVE " + std::to_string(drive_) + "]"), std::string::npos) << list.output;
  }
  EXPECT_TRUE(testing::Run("losetup -d " + stick_->Disk()));
  EXPECT_FALSE(stick_->IsAttached());
}

INSTANTIATE_TEST_SUITE_P(Scenes, CliOnLoopStick, ::testing::Values(Scene::Quiet, Scene::Churn),
                         [](const auto& sceneInfo) { return std::string(e2e::SceneName(sceneInfo.param)); });

}  // namespace
}  // namespace sw::platform::linuxos
