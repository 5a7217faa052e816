// The program's state files on Linux: whole appends that survive, a folder that only this user
// may change, and names and links that could lead out of it refused.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {
namespace {

namespace fs = std::filesystem;

class StateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            (std::string("sw_state_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    paths_.stateDir = root_ / "state";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path root_;
  SystemPaths paths_;
};

TEST_F(StateFiles, AppendsReadBackWholeAreListedAndDeletedInAFolderOfThisUserAlone) {
  LinuxOs os(paths_);
  const std::vector<std::uint8_t> a = {1, 2, 3}, b = {4, 5};
  ASSERT_TRUE(os.AppendStateFile("probe-journal-01.bin", a));
  ASSERT_TRUE(os.AppendStateFile("probe-journal-01.bin", b));
  EXPECT_EQ(*os.ReadStateFile("probe-journal-01.bin"), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(os.StateFiles(), std::vector<std::string>{"probe-journal-01.bin"});
  struct stat st {};
  ASSERT_EQ(::stat(paths_.stateDir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const char* bad : {"../x.bin", "a/b", "", ".hidden"}) EXPECT_FALSE(os.AppendStateFile(bad, a)) << bad;
  EXPECT_TRUE(os.DeleteStateFile("probe-journal-01.bin"));
  EXPECT_FALSE(os.ReadStateFile("probe-journal-01.bin"));
  EXPECT_TRUE(os.StateFiles().empty());
}

// Someone who could write the folder, or put a link in it, could make the program write or read
// wherever they chose.
TEST_F(StateFiles, AFolderOthersMayWriteOrALinkInItIsRefused) {
  LinuxOs os(paths_);
  fs::create_directories(paths_.stateDir);
  ::chmod(paths_.stateDir.c_str(), 0777);
  EXPECT_FALSE(os.AppendStateFile("probe-journal-01.bin", std::vector<std::uint8_t>{1}));
  ::chmod(paths_.stateDir.c_str(), 0700);

  const fs::path elsewhere = root_ / "elsewhere.bin";
  std::ofstream(elsewhere) << "not ours";
  fs::create_symlink(elsewhere, paths_.stateDir / "probe-journal-02.bin");
  EXPECT_FALSE(os.AppendStateFile("probe-journal-02.bin", std::vector<std::uint8_t>{1}));
  EXPECT_FALSE(os.ReadStateFile("probe-journal-02.bin"));
  EXPECT_TRUE(os.StateFiles().empty()) << "a link is no state file";
  std::ifstream in(elsewhere);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "not ours");
}

}  // namespace
}  // namespace sw::platform::linuxos
