// LinuxOs itself on a fake machine: names, queries that need no device, and the files of a
// volume whose mount point is a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "FakeSystem.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {
namespace {

using testing::FakeSystem;
namespace fs = std::filesystem;

constexpr const char* kUsbPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

// vda holds "/"; sdb is a USB stick whose partition is "mounted" on a temporary folder with a
// space in its name; sdc is a blank stick; mmcblk0p1 is not mounted.
class LinuxOsOnFakeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk({.name = "vda", .majMin = "254:0", .sectors = 1000, .busPath = "pci0000:00/virtio1"});
    sys_.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 62521344, .busPath = kUsbPath,
                  .removable = true, .vendor = "ACME", .model = "Flash Disk"});
    sys_.AddPartition("sdb", 1, "8:17", 62519296);
    sys_.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 15728640, .busPath = kUsbPath});
    sys_.AddDisk({.name = "mmcblk0", .majMin = "179:0", .sectors = 1000, .busPath = "platform/mmc0/mmc_host/mmc0",
                  .mmcType = "SD"});
    sys_.AddPartition("mmcblk0", 1, "179:1", 900);
    stick_ = sys_.MakeFolder("my stick");
    sys_.AddMount("254:0", "/dev/vda", "/", "ext4");
    sys_.AddMount("8:17", "/dev/sdb1", stick_.string(), "vfat");
  }

  void Touch(const std::string& name, const std::string& text = "x") {
    std::ofstream(stick_ / name) << text;
  }

  FakeSystem sys_;
  fs::path stick_;
  LinuxOs os_{sys_.Paths()};
};

TEST_F(LinuxOsOnFakeMachine, LettersAndWhatTheyStandFor) {
  EXPECT_EQ(os_.LogicalDrives(), (std::vector<std::string>{"C:", "D:", "E:", "F:"}));
  EXPECT_EQ(os_.SystemDiskNumber(), 0);
  std::string dev = sys_.Paths().devDir;
  EXPECT_EQ(os_.DescribeVolume("D:"), dev + "/sdb1 on " + stick_.string());
  EXPECT_EQ(os_.DescribeVolume("e:"), dev + "/sdc (not mounted)");
  EXPECT_EQ(os_.DescribeVolume("C:"), dev + "/vda on /");
  EXPECT_EQ(os_.DescribeVolume("Q:"), "");
  EXPECT_EQ(os_.DescribeVolume(""), "");
}

TEST_F(LinuxOsOnFakeMachine, QueryHandlesAnswerBusTypeAndDeviceNumberWithoutReadingTheDevice) {
  const struct {
    const char* name;
    std::uint32_t disk;
    std::uint32_t partition;
    std::uint8_t bus;
  } rows[] = {
      {"\\\\.\\PhysicalDrive1", 1, 0, win::BusTypeUsb},
      {"\\\\.\\D:", 1, 1, win::BusTypeUsb},
      {"\\\\.\\E:", 2, 0, win::BusTypeUsb},
      {"\\\\.\\F:", 3, 1, win::BusTypeSd},
      {"\\\\.\\C:", 0, 0, win::BusTypeVirtual},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Handle h = os_.CreateFileA(row.name, 0, 0, win::OPEN_EXISTING, 0);
    ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
    std::uint8_t number[12] = {};
    std::uint32_t returned = 0;
    ASSERT_TRUE(os_.DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, number, returned));
    EXPECT_EQ(returned, 12u);
    EXPECT_EQ(le32(number, 0), win::FILE_DEVICE_DISK);
    EXPECT_EQ(le32(number, 4), row.disk);
    EXPECT_EQ(le32(number, 8), row.partition);
    std::uint8_t query[12] = {};
    std::vector<std::uint8_t> answer(1025, 0);
    ASSERT_TRUE(os_.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query,
                                    std::span(answer.data(), 512), returned));
    EXPECT_EQ(answer[win::kStorageDeviceDescriptorBusTypeOffset], row.bus);
    // Access 0 grants no reading: the length needs a real open, as on Windows.
    std::uint8_t length[8];
    EXPECT_FALSE(os_.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, {}, length, returned));
    EXPECT_EQ(os_.GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(os_.DeviceIoControl(h, 0x00070048u, {}, {}, returned));  // IOCTL_DISK_GET_PARTITION_INFO_EX
    EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_FUNCTION);
    EXPECT_TRUE(os_.CloseHandle(h));
  }
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
  EXPECT_FALSE(os_.CloseHandle(4));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_HANDLE);
}

TEST_F(LinuxOsOnFakeMachine, NamesWithoutADeviceFailToOpen) {
  const struct {
    const char* name;
    std::uint32_t error;
  } rows[] = {
      {"\\\\.\\PhysicalDrive4", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive99", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\G:", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\", win::ERROR_INVALID_NAME},
      {"G:\\WARDFILE1.tmp", win::ERROR_PATH_NOT_FOUND},
      {"E:\\WARDFILE1.tmp", win::ERROR_UNRECOGNIZED_VOLUME},  // blank stick: nothing mounted
      {"D:\\", win::ERROR_ACCESS_DENIED},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(os_.CreateFileA(row.name, win::GENERIC_READ, 3, win::OPEN_EXISTING, 0), kInvalidHandle) << row.name;
    EXPECT_EQ(os_.GetLastError(), row.error) << row.name;
  }
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
}

TEST_F(LinuxOsOnFakeMachine, FreeSpaceOnlyWhereMounted) {
  std::uint64_t freeToCaller = 1, total = 1, totalFree = 1;
  ASSERT_TRUE(os_.GetDiskFreeSpaceExA("D:", freeToCaller, total, totalFree));
  EXPECT_GT(total, 0u);
  EXPECT_LE(freeToCaller, totalFree);
  EXPECT_LE(totalFree, total);
  EXPECT_TRUE(os_.GetDiskFreeSpaceExA("d:\\", freeToCaller, total, totalFree));
  EXPECT_FALSE(os_.GetDiskFreeSpaceExA("E:", freeToCaller, total, totalFree));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(freeToCaller, 0u);
  EXPECT_FALSE(os_.GetDiskFreeSpaceExA("Q:", freeToCaller, total, totalFree));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(LinuxOsOnFakeMachine, TestFilesAreWrittenReadAndFoundLikeOnWindows) {
  // An unbuffered, write-through file as the volume test creates it.
  Handle h = os_.CreateFileA("D:\\WARDFILE1.tmp", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                             win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  alignas(4096) std::uint8_t pattern[8192];
  std::fill(std::begin(pattern), std::end(pattern), 0xA5);
  pattern[0] = 1;
  std::uint32_t written = 0;
  ASSERT_TRUE(os_.WriteFile(h, std::span(pattern, 4096), written));
  EXPECT_EQ(written, 4096u);
  // Unbuffered writes must be whole sectors from an aligned address, or Windows refuses them.
  EXPECT_FALSE(os_.WriteFile(h, std::span(pattern, 1000), written));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(os_.WriteFile(h, std::span(pattern + 8, 512), written));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(os_.FlushFileBuffers(h));
  std::uint8_t one = 0;
  std::uint32_t read = 0;
  EXPECT_FALSE(os_.ReadFile(h, std::span(&one, 1), read));  // opened for writing only
  EXPECT_EQ(os_.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(os_.CloseHandle(h));
  EXPECT_EQ(fs::file_size(stick_ / "WARDFILE1.tmp"), 4096u);

  // Read back one byte at an offset, in another case, as the verifier does.
  h = os_.CreateFileA("d:\\wardfile1.TMP", win::GENERIC_READ, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  std::int64_t pos = 0;
  ASSERT_TRUE(os_.SetFilePointerEx(h, 1, &pos, win::FILE_BEGIN));
  EXPECT_EQ(pos, 1);
  ASSERT_TRUE(os_.ReadFile(h, std::span(&one, 1), read));
  EXPECT_EQ(read, 1u);
  EXPECT_EQ(one, 0xA5);
  ASSERT_TRUE(os_.SetFilePointerEx(h, 0, &pos, win::FILE_END));
  EXPECT_EQ(pos, 4096);
  ASSERT_TRUE(os_.ReadFile(h, std::span(&one, 1), read));  // past the end: a short read
  EXPECT_EQ(read, 0u);
  EXPECT_FALSE(os_.SetFilePointerEx(h, -1, nullptr, win::FILE_BEGIN));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(os_.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, read));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(os_.CloseHandle(h));
  EXPECT_EQ(os_.CreateFileA("D:\\WARDFILE2.tmp", win::GENERIC_READ, 3, win::OPEN_EXISTING, 0), kInvalidHandle);
  EXPECT_EQ(os_.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
}

TEST_F(LinuxOsOnFakeMachine, FindAndDeleteOnlyOrdinaryVisibleFiles) {
  Touch("WARDFILE2.tmp");
  Touch("wardfile10.TMP");
  Touch("WARDFILE1.tmp");
  Touch(".WARDFILE3.tmp");  // hidden
  Touch("WARDFILE.txt");
  fs::create_directory(stick_ / "WARDFILE4.tmp");  // a folder
  fs::create_symlink(stick_ / "WARDFILE1.tmp", stick_ / "WARDFILE5.tmp");
  std::vector<std::string> expected = {"WARDFILE1.tmp", "WARDFILE2.tmp", "wardfile10.TMP"};
  EXPECT_EQ(os_.FindFiles("D:\\WARDFILE*.tmp"), expected);
  EXPECT_EQ(os_.DeleteFiles("D:\\WARDFILE*.tmp"), 3);
  EXPECT_TRUE(os_.FindFiles("D:\\WARDFILE*.tmp").empty());
  EXPECT_TRUE(fs::exists(stick_ / ".WARDFILE3.tmp"));
  EXPECT_TRUE(fs::exists(stick_ / "WARDFILE.txt"));
  EXPECT_TRUE(fs::is_directory(stick_ / "WARDFILE4.tmp"));
  EXPECT_TRUE(fs::is_symlink(stick_ / "WARDFILE5.tmp"));
  EXPECT_EQ(os_.DeleteFiles("D:\\WARDFILE*.tmp"), 0);
  EXPECT_TRUE(os_.FindFiles("E:\\WARDFILE*.tmp").empty());  // not mounted
  EXPECT_TRUE(os_.FindFiles("Q:\\WARDFILE*.tmp").empty());
}

TEST_F(LinuxOsOnFakeMachine, ATestFileNameThatIsNotAFileIsNeverWrittenThrough) {
  // Outside the volume: what a link on the stick could point at.
  const fs::path precious = sys_.MakeFolder("elsewhere") / "precious.txt";
  std::ofstream(precious) << "keep me";
  fs::create_symlink(precious, stick_ / "WARDFILE1.tmp");
  fs::create_symlink(stick_ / "missing", stick_ / "WARDFILE2.tmp");  // dangling: O_CREAT would make it
  fs::create_directory(stick_ / "WARDFILE3.tmp");
  ASSERT_EQ(::mkfifo((stick_ / "WARDFILE4.tmp").c_str(), 0644), 0);  // must not hang the open
  for (const char* name : {"D:\\WARDFILE1.tmp", "D:\\WARDFILE2.tmp", "D:\\WARDFILE3.tmp",
                           "D:\\WARDFILE4.tmp"}) {
    for (std::uint32_t disposition : {win::CREATE_ALWAYS, win::OPEN_EXISTING}) {
      SCOPED_TRACE(std::string(name) + (disposition == win::CREATE_ALWAYS ? " create" : " open"));
      const std::uint32_t access = disposition == win::CREATE_ALWAYS ? win::GENERIC_WRITE : win::GENERIC_READ;
      EXPECT_EQ(os_.CreateFileA(name, access, 0, disposition, win::FILE_FLAG_NO_BUFFERING),
                kInvalidHandle);
      EXPECT_NE(os_.GetLastError(), win::ERROR_SUCCESS);
    }
  }
  std::ifstream in(precious);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "keep me");
  EXPECT_FALSE(fs::exists(stick_ / "missing"));
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
}

TEST_F(LinuxOsOnFakeMachine, FileRangeLocksBelongToTheHandle) {
  Touch("locked.bin", std::string(4096, 'x'));
  Handle a = os_.CreateFileA("D:\\locked.bin", win::GENERIC_READ | win::GENERIC_WRITE, 3, win::OPEN_EXISTING, 0);
  Handle b = os_.CreateFileA("D:\\locked.bin", win::GENERIC_READ | win::GENERIC_WRITE, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(a, kInvalidHandle);
  ASSERT_NE(b, kInvalidHandle);
  EXPECT_TRUE(os_.LockFile(a, 512, 0, 512, 0));
  EXPECT_FALSE(os_.LockFile(b, 0, 0, 1024, 0));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(os_.LockFile(b, 1024, 0, 512, 0));
  EXPECT_TRUE(os_.UnlockFile(a, 512, 0, 512, 0));
  EXPECT_TRUE(os_.LockFile(b, 0, 0, 1024, 0));
  EXPECT_TRUE(os_.CloseHandle(a));
  EXPECT_TRUE(os_.CloseHandle(b));
}

}  // namespace
}  // namespace sw::platform::linuxos
