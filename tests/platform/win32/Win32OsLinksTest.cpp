// Names of test files taken by a symbolic link or a folder, on real files: nothing is opened
// through them, the search and the clean-up pass them by, and they are reported as taken.
#include "platform/win32/Win32Os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// For CreateSymbolicLinkA and the attribute bits; the seam's own names are not used here, as
// <windows.h> defines them as macros.
#include <windows.h>

namespace sw::platform::win32 {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kAccessDenied = ERROR_ACCESS_DENIED;

class Win32OsLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / "sw_win32os_links";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  Win32Os os_;
  fs::path dir_;
};

// Wine 8 answers CreateSymbolicLinkA with success and makes nothing; a folder then stands in
// for the link, and the test says so.
TEST_F(Win32OsLinks, ALinkOrFolderNamedLikeATestFileIsNeitherOpenedNorDeleted) {
  const std::string precious(4096, 'K');
  std::ofstream(dir_ / "precious.txt", std::ios::binary) << precious;
  std::ofstream(dir_ / "WARDFILE3.tmp", std::ios::binary) << "leftover";

  const std::string link = Path("WARDFILE1.tmp");
  const bool linked = ::CreateSymbolicLinkA(link.c_str(), Path("precious.txt").c_str(), 0) != FALSE &&
                      ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES &&
                      (::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!linked) {
    std::printf("[   NOTE   ] this system made no symbolic link: a folder stands in for WARDFILE1.tmp\n");
    std::error_code ignored;
    fs::remove(dir_ / "WARDFILE1.tmp", ignored);
    ASSERT_TRUE(fs::create_directory(dir_ / "WARDFILE1.tmp"));
  }
  RecordProperty("symbolic_link", linked ? "made" : "not made");
  ASSERT_TRUE(fs::create_directory(dir_ / "WARDFILE2.tmp"));

  for (const char* name : {"WARDFILE1.tmp", "WARDFILE2.tmp"}) {
    for (std::uint32_t disposition : {CREATE_ALWAYS, OPEN_EXISTING}) {
      SCOPED_TRACE(std::string(name) + (disposition == CREATE_ALWAYS ? " created" : " opened"));
      // FILE_FLAG_BACKUP_SEMANTICS lets the system open a folder: the refusal must be the
      // provider's own.
      const Handle h = os_.CreateFileA(Path(name), GENERIC_READ | GENERIC_WRITE, 0, disposition,
                                       FILE_FLAG_BACKUP_SEMANTICS);
      EXPECT_EQ(h, kInvalidHandle);
      if (h != kInvalidHandle) os_.CloseHandle(h);
      EXPECT_EQ(os_.GetLastError(), kAccessDenied);
    }
  }
  std::ifstream back(dir_ / "precious.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(back), {}), precious);

  const std::string pattern = Path("WARDFILE*.tmp");
  EXPECT_EQ(os_.FindFiles(pattern), (std::vector<std::string>{"WARDFILE3.tmp"}));
  std::vector<std::string> taken = os_.FindNonRegularFiles(pattern);
  std::sort(taken.begin(), taken.end());
  EXPECT_EQ(taken, (std::vector<std::string>{"WARDFILE1.tmp", "WARDFILE2.tmp"}));
  EXPECT_EQ(os_.DeleteFiles(pattern), 1);
  EXPECT_TRUE(fs::exists(fs::symlink_status(dir_ / "WARDFILE1.tmp")));
  EXPECT_TRUE(fs::is_directory(dir_ / "WARDFILE2.tmp"));
  EXPECT_FALSE(fs::exists(dir_ / "WARDFILE3.tmp"));
  EXPECT_TRUE(os_.FindNonRegularFiles(Path("nofolder\\*.tmp")).empty());

  // A free name and an ordinary file are still opened as before, write-only as the test files
  // are created.
  const Handle fresh = os_.CreateFileA(Path("WARDFILE4.tmp"), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                       FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH);
  ASSERT_NE(fresh, kInvalidHandle);
  EXPECT_TRUE(os_.CloseHandle(fresh));
  const Handle again = os_.CreateFileA(Path("WARDFILE4.tmp"), GENERIC_READ, 0, OPEN_EXISTING, 0);
  ASSERT_NE(again, kInvalidHandle);
  EXPECT_TRUE(os_.CloseHandle(again));
}

}  // namespace
}  // namespace sw::platform::win32
