// kernel32 through the seam on real files: a write/seek/read round trip, the wildcard search
// and delete with files that must not count, and the error codes the core relies on.
#include "platform/win32/Win32Os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "platform/WinApi.h"

#include <windows.h>

namespace sw::platform::win32 {
namespace {

namespace fs = std::filesystem;
using namespace sw::win;

constexpr std::uint32_t kHiddenAttribute = 0x2;  // FILE_ATTRIBUTE_HIDDEN

class Win32OsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("sw_win32os_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  Handle Create(const std::string& name, std::uint32_t flags = FILE_ATTRIBUTE_NORMAL) {
    return os_.CreateFileA(Path(name), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, flags);
  }

  Win32Os os_;
  fs::path dir_;
};

TEST_F(Win32OsFiles, WriteSeekReadRoundTrip) {
  Handle h = Create("round.bin");
  ASSERT_NE(h, kInvalidHandle);
  std::vector<std::uint8_t> data(8192);
  std::iota(data.begin(), data.end(), std::uint8_t{7});
  std::uint32_t written = 0;
  ASSERT_TRUE(os_.WriteFile(h, data, written));
  EXPECT_EQ(written, data.size());
  EXPECT_TRUE(os_.FlushFileBuffers(h));

  // Past 4 GiB the offset only fits in 64 bits; seeking there is legal on a file.
  std::int64_t at = -1;
  ASSERT_TRUE(os_.SetFilePointerEx(h, (std::int64_t{1} << 32) + 512, &at, FILE_BEGIN));
  EXPECT_EQ(at, (std::int64_t{1} << 32) + 512);

  ASSERT_TRUE(os_.SetFilePointerEx(h, 4096, &at, FILE_BEGIN));
  EXPECT_EQ(at, 4096);
  ASSERT_TRUE(os_.SetFilePointerEx(h, 512, &at, FILE_CURRENT));
  EXPECT_EQ(at, 4608);
  std::vector<std::uint8_t> back(512, 0);
  std::uint32_t read = 0;
  ASSERT_TRUE(os_.ReadFile(h, back, read));
  ASSERT_EQ(read, 512u);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin() + 4608));

  // At the end a read succeeds with nothing in it; the seam does not turn that into a failure.
  ASSERT_TRUE(os_.SetFilePointerEx(h, 0, &at, FILE_END));
  EXPECT_EQ(at, 8192);
  EXPECT_TRUE(os_.ReadFile(h, back, read));
  EXPECT_EQ(read, 0u);

  EXPECT_TRUE(os_.LockFile(h, 0, 0, 512, 0));
  EXPECT_TRUE(os_.UnlockFile(h, 0, 0, 512, 0));
  EXPECT_FALSE(os_.UnlockFile(h, 0, 0, 512, 0));  // nothing left to unlock
  EXPECT_TRUE(os_.CloseHandle(h));
  EXPECT_EQ(fs::file_size(dir_ / "round.bin"), 8192u);
}

TEST_F(Win32OsFiles, FailuresGiveTheirErrorCodesAndKeepThem) {
  EXPECT_EQ(os_.CreateFileA(Path("missing.bin"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0),
            kInvalidHandle);
  EXPECT_EQ(os_.GetLastError(), ERROR_FILE_NOT_FOUND);
  // A successful call in between does not wipe the code of the failure.
  Handle h = Create("ok.bin");
  ASSERT_NE(h, kInvalidHandle);
  EXPECT_EQ(os_.GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(os_.CreateFileA(Path("nofolder\\x.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0),
            kInvalidHandle);
  EXPECT_EQ(os_.GetLastError(), ERROR_PATH_NOT_FOUND);

  // Opened without sharing: a second open is refused.
  EXPECT_EQ(os_.CreateFileA(Path("ok.bin"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0),
            kInvalidHandle);
  EXPECT_EQ(os_.GetLastError(), ERROR_SHARING_VIOLATION);

  ASSERT_TRUE(os_.CloseHandle(h));
  std::uint32_t n = 99;
  std::vector<std::uint8_t> buf(16);
  EXPECT_FALSE(os_.ReadFile(h, buf, n));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(os_.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Win32OsFiles, UnknownControlCodeFailsWithoutAnAnswer) {
  Handle h = Create("dev.bin");
  ASSERT_NE(h, kInvalidHandle);
  std::vector<std::uint8_t> in(12, 0), out(64, 0x5A);
  std::uint32_t returned = 77;
  constexpr std::uint32_t kNoSuchControl = 0x00229ABCu;
  EXPECT_FALSE(os_.DeviceIoControl(h, kNoSuchControl, in, out, returned));
  EXPECT_EQ(returned, 0u);
  std::uint32_t err = os_.GetLastError();
  EXPECT_TRUE(err == ERROR_INVALID_FUNCTION || err == ERROR_NOT_SUPPORTED ||
              err == ERROR_INVALID_PARAMETER)
      << err;

  // A pass-through request to something that is no SCSI device: refused, and the block the
  // caller offered for the answer is left as it was.
  std::vector<std::uint8_t> block(585, 0);
  block[0] = 44;
  returned = 77;
  EXPECT_FALSE(os_.DeviceIoControl(h, IOCTL_SCSI_PASS_THROUGH, block, out, returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0x5A; }));
  EXPECT_TRUE(os_.CloseHandle(h));
}

TEST_F(Win32OsFiles, FindAndDeleteCountOnlyOrdinaryFiles) {
  for (const char* name : {"WARDFILE1.tmp", "WARDFILE2.tmp", "other.tmp", "WARDFILE3.bin"}) {
    Handle h = Create(name);
    ASSERT_NE(h, kInvalidHandle) << name;
    os_.CloseHandle(h);
  }
  Handle hidden = Create("WARDFILE7.tmp", kHiddenAttribute);
  ASSERT_NE(hidden, kInvalidHandle);
  os_.CloseHandle(hidden);
  fs::create_directory(dir_ / "WARDFILE9.tmp");

  const std::string pattern = Path("WARDFILE*.tmp");
  std::vector<std::string> found = os_.FindFiles(pattern);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"WARDFILE1.tmp", "WARDFILE2.tmp"}));

  EXPECT_EQ(os_.DeleteFiles(pattern), 2);
  EXPECT_FALSE(fs::exists(dir_ / "WARDFILE1.tmp"));
  EXPECT_FALSE(fs::exists(dir_ / "WARDFILE2.tmp"));
  EXPECT_TRUE(fs::exists(dir_ / "WARDFILE7.tmp"));
  EXPECT_TRUE(fs::exists(dir_ / "WARDFILE9.tmp"));
  EXPECT_TRUE(fs::exists(dir_ / "other.tmp"));

  EXPECT_TRUE(os_.FindFiles(pattern).empty());
  EXPECT_EQ(os_.DeleteFiles(pattern), 0);
  EXPECT_TRUE(os_.FindFiles(Path("nofolder\\*.tmp")).empty());
}

}  // namespace
}  // namespace sw::platform::win32

namespace sw::platform::win32 {
namespace {

// The program's state files live in the user's local application data; the test points that
// at its own folder for the length of the test.
class Win32OsStateFiles : public Win32OsFiles {
 protected:
  void SetUp() override {
    Win32OsFiles::SetUp();
    char before[MAX_PATH] = {};
    had_ = ::GetEnvironmentVariableA("LOCALAPPDATA", before, MAX_PATH) > 0;
    before_ = before;
    ::SetEnvironmentVariableA("LOCALAPPDATA", dir_.string().c_str());
  }
  void TearDown() override {
    ::SetEnvironmentVariableA("LOCALAPPDATA", had_ ? before_.c_str() : nullptr);
    Win32OsFiles::TearDown();
  }
  bool had_ = false;
  std::string before_;
};

TEST_F(Win32OsStateFiles, AppendsReadBackWholeAreListedAndDeleted) {
  const std::vector<std::uint8_t> a = {1, 2, 3}, b = {4, 5};
  ASSERT_TRUE(os_.AppendStateFile("probe-journal-01.bin", a));
  ASSERT_TRUE(os_.AppendStateFile("probe-journal-01.bin", b));
  EXPECT_EQ(os_.StateFolder(), (dir_ / "SizeWarden").string());
  const std::optional<std::vector<std::uint8_t>> read = os_.ReadStateFile("probe-journal-01.bin");
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(os_.StateFiles(), std::vector<std::string>{"probe-journal-01.bin"});
  for (const char* bad : {"..\\x.bin", "a/b", "", ".hidden", "c:x"}) {
    EXPECT_FALSE(os_.AppendStateFile(bad, a)) << bad;
  }
  EXPECT_TRUE(os_.DeleteStateFile("probe-journal-01.bin"));
  EXPECT_FALSE(os_.ReadStateFile("probe-journal-01.bin"));
  EXPECT_TRUE(os_.StateFiles().empty());
}

}  // namespace
}  // namespace sw::platform::win32
