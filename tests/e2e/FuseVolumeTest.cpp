// A FAT stick mounted through FUSE (fusefat), as a desktop without the kernel's vfat would: the
// drive list names its mount point and label, and the file test runs on it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "E2eFixture.h"
#include "VolumeMount.h"

namespace sw::e2e {
namespace {

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

class FuseVolume : public E2eTwin {};

TEST_P(FuseVolume, FusefatStickIsListedWithItsMountAndFileTested) {
  if (!Have("fusefat") || !Have("mkfs.vfat")) {
    GTEST_SKIP() << "needs fusefat and mkfs.vfat (Debian packages fusefat, dosfstools)";
  }
  SW_E2E_MAKE(stick, {"--size=300Mi"});
  SW_E2E_REQUIRE_SAFE();
  ASSERT_EQ(std::system(("mkfs.vfat -n FUSESTICK " + stick->Disk() + " >/dev/null 2>&1").c_str()), 0);
  // Unmounted again however the test ends, its daemon gone before the stick is.
  const VolumeMount mount(stick->Disk(), "fat32");
  ASSERT_TRUE(mount.Mounted()) << "fusefat could not mount " << stick->Disk();
  const std::string letter = Letter(*stick);
  ASSERT_FALSE(letter.empty());

  const CliResult list = RunCli({"list", "--all"});
  EXPECT_NE(list.output.find("FUSESTICK"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find(stick->Disk() + " on " + mount.Dir().string()), std::string::npos)
      << list.output;

  // Under churn by its device: the letter this process saw may be another disk's to the program.
  const CliResult run = RunCli({"files", UnderChurn() ? stick->Disk() : letter, "--thorough", "--yes", "--all"});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
  for (const auto& entry : std::filesystem::directory_iterator(mount.Dir())) {
    EXPECT_NE(entry.path().extension(), ".h2w") << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, FuseVolume, ::testing::Values(Scene::Quiet, Scene::Churn),
                         [](const auto& sceneInfo) { return std::string(SceneName(sceneInfo.param)); });

}  // namespace
}  // namespace sw::e2e
