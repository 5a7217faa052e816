// The simulated machine's paths, handles, drive letters, volume information and removal.
#include <gtest/gtest.h>

#include <set>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

struct SimMachine : ::testing::Test {
  SimOs os;
  void SetUp() override {
    SimDriveSpec stick = Stick(8ull << 30, "F:");
    stick.volumes[0].label = "STICK";
    SimVolumeSpec second;
    second.letter = "E:";
    second.freeBytes = 1'000'000;
    stick.volumes.push_back(second);
    os.AddDrive(1, stick);
    os.AddDrive(12, Stick(16ull << 30, "K:"));
    os.AddCdRomLetter("D:");
  }
};

TEST_F(SimMachine, DevicePathsOpenOnlyWhatExists) {
  struct Row {
    std::string path;
    std::uint32_t error;  // ERROR_SUCCESS when the open works
  };
  const Row rows[] = {
      {"\\\\.\\PhysicalDrive0", win::ERROR_SUCCESS},
      {"\\\\.\\PhysicalDrive1", win::ERROR_SUCCESS},
      {"\\\\.\\PhysicalDrive12", win::ERROR_SUCCESS},
      {"\\\\.\\PHYSICALDRIVE1", win::ERROR_SUCCESS},
      {"\\\\.\\PhysicalDrive2", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive01", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive-1", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive1x", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\PhysicalDrive 1", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\E:", win::ERROR_SUCCESS},
      {"\\\\.\\f:", win::ERROR_SUCCESS},
      {"\\\\.\\D:", win::ERROR_SUCCESS},
      {"\\\\.\\C:", win::ERROR_SUCCESS},
      {"\\\\.\\", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\Q:", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\E:\\", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\ :", win::ERROR_FILE_NOT_FOUND},
      {"", win::ERROR_FILE_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const Handle h = Open(os, row.path);
    if (row.error == win::ERROR_SUCCESS) {
      EXPECT_GT(h, 0);
      EXPECT_TRUE(os.CloseHandle(h));
    } else {
      EXPECT_EQ(h, kInvalidHandle);
      EXPECT_EQ(os.GetLastError(), row.error);
    }
  }
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(SimMachine, HandlesAreUniqueAndNeverReused) {
  std::set<Handle> seen;
  for (int i = 0; i < 5; ++i) {
    const Handle h = Open(os, DiskPath(1));
    ASSERT_GT(h, 0);
    EXPECT_TRUE(seen.insert(h).second);
    if (i % 2 == 0) {
      EXPECT_TRUE(os.CloseHandle(h));
    }
  }
  EXPECT_EQ(os.OpenHandleCount(), 2);
  const Handle closed = *seen.begin();
  EXPECT_FALSE(os.CloseHandle(closed));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_HANDLE);
  EXPECT_FALSE(os.CloseHandle(kInvalidHandle));
  std::uint32_t count = 0;
  std::vector<std::uint8_t> sector(512);
  EXPECT_FALSE(os.ReadFile(closed, sector, count));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_HANDLE);
  for (const Handle h : seen) os.CloseHandle(h);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(SimMachine, RemovedDriveFailsEverythingButClose) {
  const Handle disk = Open(os, DiskPath(1));
  const Handle volume = Open(os, VolumePath("F:"));
  const Handle file = os.CreateFileA("E:\\DATA.BIN", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
  ASSERT_NE(file, kInvalidHandle);
  std::uint32_t returned = 0;
  ASSERT_TRUE(os.DeviceIoControl(volume, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  os.RemoveDrive(1);

  std::vector<std::uint8_t> sector(512);
  std::uint32_t count = 0;
  const auto notConnected = [&](bool result) {
    EXPECT_FALSE(result);
    EXPECT_EQ(os.GetLastError(), win::ERROR_DEVICE_NOT_CONNECTED);
  };
  notConnected(os.ReadFile(disk, sector, count));
  notConnected(os.WriteFile(disk, sector, count));
  notConnected(os.WriteFile(file, sector, count));
  notConnected(os.SetFilePointerEx(disk, 0, nullptr, win::FILE_BEGIN));
  notConnected(os.FlushFileBuffers(disk));
  notConnected(os.DeviceIoControl(volume, win::FSCTL_UNLOCK_VOLUME, {}, {}, returned));
  std::vector<std::uint8_t> block = PassThroughBlock(win::kScsiInquiry);
  notConnected(SendPassThrough(os, disk, block, returned));
  EXPECT_EQ(returned, 0u);
  notConnected(Open(os, DiskPath(1)) != kInvalidHandle);
  notConnected(Open(os, VolumePath("E:")) != kInvalidHandle);
  char label[14];
  std::uint32_t serial = 0, maxLength = 0, flags = 0;
  notConnected(os.GetVolumeInformationA("F:\\", label, serial, maxLength, flags, {}));
  std::uint64_t free = 0, total = 0, totalFree = 0;
  notConnected(os.GetDiskFreeSpaceExA("E:", free, total, totalFree));
  EXPECT_TRUE(os.FindFiles("E:\\*").empty());
  EXPECT_EQ(os.LogicalDrives(), (std::vector<std::string>{"C:", "D:", "K:"}));

  EXPECT_TRUE(os.CloseHandle(disk));
  EXPECT_TRUE(os.CloseHandle(volume));
  EXPECT_TRUE(os.CloseHandle(file));
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.LockedVolumeCount(), 0);
}

TEST_F(SimMachine, LettersInLetterOrderWithCdRoms) {
  EXPECT_EQ(os.LogicalDrives(), (std::vector<std::string>{"C:", "D:", "E:", "F:", "K:"}));
  EXPECT_EQ(os.SystemDiskNumber(), 0);
  os.SetSystemDisk(12);
  EXPECT_EQ(os.SystemDiskNumber(), 12);
}

TEST_F(SimMachine, VolumeInformationCopiesTheLabel) {
  struct Row {
    std::string root;
    std::size_t labelBuffer;
    std::uint32_t error;  // ERROR_SUCCESS when the call works
    std::string label;
  };
  const Row rows[] = {
      {"F:", 14, win::ERROR_SUCCESS, "STICK"},   {"F:\\", 14, win::ERROR_SUCCESS, "STICK"},
      {"E:", 14, win::ERROR_SUCCESS, ""},        {"F:", 6, win::ERROR_SUCCESS, "STICK"},
      {"F:", 5, win::ERROR_BAD_LENGTH, ""},      {"D:", 14, win::ERROR_NOT_READY, ""},
      {"Q:", 14, win::ERROR_PATH_NOT_FOUND, ""}, {"F:\\X\\", 14, win::ERROR_PATH_NOT_FOUND, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.root + " " + std::to_string(row.labelBuffer));
    std::vector<char> label(row.labelBuffer, ' ');
    char fs[32] = {};
    std::uint32_t serial = 0, maxLength = 0, flags = 0;
    const bool ok = os.GetVolumeInformationA(row.root, label, serial, maxLength, flags, fs);
    EXPECT_EQ(ok, row.error == win::ERROR_SUCCESS);
    if (!ok) {
      EXPECT_EQ(os.GetLastError(), row.error);
      continue;
    }
    EXPECT_STREQ(label.data(), row.label.c_str());
    EXPECT_STREQ(fs, "FAT32");
  }
}

TEST_F(SimMachine, VolumeWithoutMediaIsNotReady) {
  SimDriveSpec reader = Stick(8ull << 30, "G:");
  reader.volumes[0].noMedia = true;
  os.AddDrive(2, reader);
  char label[14];
  std::uint32_t serial = 0, maxLength = 0, flags = 0;
  EXPECT_FALSE(os.GetVolumeInformationA("G:", label, serial, maxLength, flags, {}));
  EXPECT_EQ(os.GetLastError(), win::ERROR_NOT_READY);
}

TEST_F(SimMachine, DescriptionsAndNumberFormat) {
  EXPECT_EQ(os.DescribeVolume("F:"), "simulated USB drive 1, volume 1");
  EXPECT_EQ(os.DescribeVolume("E:"), "simulated USB drive 1, volume 2");
  EXPECT_EQ(os.DescribeVolume("C:"), "simulated SATA drive 0, volume 1");
  EXPECT_EQ(os.DescribeVolume("D:"), "simulated CD-ROM drive");
  EXPECT_EQ(os.DescribeVolume("Q:"), "");
  EXPECT_EQ(os.UserNumberFormat().thousands, ",");
  EXPECT_EQ(os.UserNumberFormat().decimal, ".");
  os.SetNumberFormat({".", ","});
  EXPECT_EQ(os.UserNumberFormat().thousands, ".");
  EXPECT_EQ(os.UserNumberFormat().decimal, ",");
}

TEST_F(SimMachine, ReplacedDriveKeepsOldHandlesOnTheOldDrive) {
  const Handle old = Open(os, DiskPath(1));
  ASSERT_TRUE(WriteAt(os, old, 5, Tagged(5)));
  os.AddDrive(1, Stick(8ull << 30, "F:"));
  EXPECT_EQ(os.PeekSector(1, 5), std::vector<std::uint8_t>(512, 0));
  std::vector<std::uint8_t> data(512);
  ASSERT_TRUE(ReadAt(os, old, 5, data));
  EXPECT_EQ(data, Tagged(5));
  os.CloseHandle(old);
}

}  // namespace
}  // namespace sw::platform::sim::testing
