// The device controls of the simulated machine: the exact bytes of the SCSI, storage and disk
// answers, device numbers, and the rules of volume locks.
#include <gtest/gtest.h>

#include <cstring>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

constexpr std::uint32_t kData = win::kSptDataOffset;

TEST(SimDeviceControl, ReadCapacityReportsLastBlockAndBlockLength) {
  struct Row {
    const char* name;
    std::uint64_t announced;
    std::uint32_t blockLength;
    std::uint32_t lastLba;
  };
  const Row rows[] = {
      {"8 GiB", 8ull << 30, 512, (1u << 24) - 1},
      {"32 GB", 32'000'000'000ull, 512, 62'499'999},
      {"1.5 TiB, top bit set", 3ull << 39, 512, 0xBFFFFFFFu},
      {"2 TiB, the largest READ CAPACITY(10) can tell", 2ull << 40, 512, 0xFFFFFFFFu},
      {"3 TB saturates", 3'000'000'000'000ull, 512, 0xFFFFFFFFu},
      {"16 GB in 4096-byte blocks", 16'000'000'000ull, 4096, 3'906'249},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SimOs os;
    SimDriveSpec config = Stick(row.announced);
    config.blockLength = row.blockLength;
    os.AddDrive(1, config);
    const Handle h = Open(os, DiskPath(1));
    std::vector<std::uint8_t> block = PassThroughBlock(win::kScsiReadCapacity10, 0xEE);
    std::uint32_t returned = 0;
    ASSERT_TRUE(SendPassThrough(os, h, block, returned));
    EXPECT_EQ(returned, kData + 8);
    EXPECT_EQ(be32(block, kData), row.lastLba);
    EXPECT_EQ(be32(block, kData + 4), row.blockLength);
    EXPECT_EQ(block[kData + 8], 0xEE);
    os.CloseHandle(h);
  }
}

TEST(SimDeviceControl, InquiryGivesStandardDataWithSerialConvention) {
  SimOs os;
  SimDriveSpec config = Stick(32'000'000'000ull);
  config.vendor = "ACME";
  config.product = "Flash Disk";
  config.revision = "8.07";
  config.serial = "AB12";
  os.AddDrive(1, config);
  const Handle h = Open(os, DiskPath(1));
  std::vector<std::uint8_t> block = PassThroughBlock(win::kScsiInquiry, 0xEE);
  std::uint32_t returned = 0;
  ASSERT_TRUE(SendPassThrough(os, h, block, returned));
  EXPECT_EQ(returned, kData + 44);
  const std::uint8_t* d = &block[kData];
  EXPECT_EQ(d[0], 0);
  EXPECT_EQ(d[1], 0x80);
  EXPECT_EQ(d[2], 2);
  EXPECT_EQ(d[4], 39);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 8), 8), "ACME    ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 16), 16), "Flash Disk      ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 32), 4), "8.07");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 36), 8), "AB12    ");
  EXPECT_EQ(d[44], 0xEE);
  os.CloseHandle(h);
}

TEST(SimDeviceControl, ShortInquiryLeavesTheCallersBytes) {
  struct Row {
    const char* name;
    std::uint32_t inquiryLength;
    std::uint32_t transferLength;
    std::uint32_t returnedData;
  };
  const Row rows[] = {
      {"36-byte inquiry", 36, 192, 36},
      {"transfer length caps", 44, 20, 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SimOs os;
    SimDriveSpec config = Stick(8ull << 30);
    config.inquiryLength = row.inquiryLength;
    config.removable = false;
    os.AddDrive(1, config);
    const Handle h = Open(os, DiskPath(1));
    // READ CAPACITY first, as the core does: its answer stays where INQUIRY does not reach.
    std::vector<std::uint8_t> block = PassThroughBlock(win::kScsiReadCapacity10, 0xEE);
    std::uint32_t returned = 0;
    ASSERT_TRUE(SendPassThrough(os, h, block, returned));
    block[win::kSptCdbOffset] = win::kScsiInquiry;
    block[12] = static_cast<std::uint8_t>(row.transferLength);
    ASSERT_TRUE(SendPassThrough(os, h, block, returned));
    EXPECT_EQ(returned, kData + row.returnedData);
    EXPECT_EQ(block[kData + 1], 0);  // fixed media
    for (std::uint32_t i = row.returnedData; i < 48; ++i) EXPECT_EQ(block[kData + i], 0xEE) << i;
    os.CloseHandle(h);
  }
}

TEST(SimDeviceControl, FailingCommandsReturnNothing) {
  struct Row {
    const char* name;
    std::uint8_t opcode;
    bool capacityFails;
    bool inquiryFails;
    std::uint32_t error;
  };
  const Row rows[] = {
      {"READ CAPACITY fails", win::kScsiReadCapacity10, true, false, win::ERROR_IO_DEVICE},
      {"INQUIRY fails", win::kScsiInquiry, false, true, win::ERROR_IO_DEVICE},
      {"unknown opcode", 0x28, false, false, win::ERROR_INVALID_FUNCTION},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SimOs os;
    SimDriveSpec config = Stick(8ull << 30);
    config.readCapacityFails = row.capacityFails;
    config.inquiryFails = row.inquiryFails;
    os.AddDrive(1, config);
    const Handle h = Open(os, DiskPath(1));
    std::vector<std::uint8_t> block = PassThroughBlock(row.opcode, 0xEE);
    std::uint32_t returned = 77;
    EXPECT_FALSE(SendPassThrough(os, h, block, returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(os.GetLastError(), row.error);
    EXPECT_EQ(block[kData], 0xEE);
    os.CloseHandle(h);
  }
}

TEST(SimDeviceControl, UnknownCodesAndWrongHandlesFailWithInvalidFunction) {
  SimOs os;
  os.AddDrive(1, Stick(8ull << 30));
  const Handle disk = Open(os, DiskPath(1));
  const Handle volume = Open(os, VolumePath("E:"));
  std::vector<std::uint8_t> out(64, 0);
  std::uint32_t returned = 5;
  EXPECT_FALSE(os.DeviceIoControl(disk, 0x00070048u, {}, out, returned));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_EQ(returned, 0u);
  std::vector<std::uint8_t> block = PassThroughBlock(win::kScsiInquiry);
  EXPECT_FALSE(SendPassThrough(os, volume, block, returned));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_FALSE(os.DeviceIoControl(disk, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_FALSE(os.DeviceIoControl(12345, win::IOCTL_DISK_GET_LENGTH_INFO, {}, out, returned));
  EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_HANDLE);
  os.CloseHandle(disk);
  os.CloseHandle(volume);
}

TEST(SimDeviceControl, StorageDescriptorCarriesBusTypeAtByte28) {
  const std::uint8_t buses[] = {win::BusTypeUsb, win::BusTypeSata, win::BusTypeNvme, win::BusTypeSd,
                                win::BusTypeScsi};
  for (const std::uint8_t bus : buses) {
    SCOPED_TRACE(static_cast<int>(bus));
    SimOs os;
    SimDriveSpec config = Stick(8ull << 30);
    config.busType = bus;
    config.vendor = "SIMTEK";
    os.AddDrive(1, config);
    // The core asks with access 0 and share 0.
    const Handle h = os.CreateFileA(DiskPath(1), 0, 0, win::OPEN_EXISTING, 0);
    ASSERT_NE(h, kInvalidHandle);
    const std::vector<std::uint8_t> query(win::kStoragePropertyQuerySize, 0);
    std::vector<std::uint8_t> out(1025, 0);
    std::uint32_t returned = 0;
    ASSERT_TRUE(os.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query,
                                   std::span<std::uint8_t>(out.data(), 512), returned));
    EXPECT_EQ(out[win::kStorageDeviceDescriptorBusTypeOffset], bus);
    EXPECT_EQ(out[10], 1);  // removable media
    EXPECT_EQ(le32(out, 4), returned);
    const std::uint32_t vendorOffset = le32(out, 12);
    ASSERT_GE(vendorOffset, 36u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&out[vendorOffset]), "SIMTEK");
    EXPECT_EQ(out[512], 0);
    os.CloseHandle(h);
  }
}

TEST(SimDeviceControl, ShortDescriptorBufferGetsWhatFits) {
  SimOs os;
  os.AddDrive(1, Stick(8ull << 30));
  const Handle h = os.CreateFileA(DiskPath(1), 0, 0, win::OPEN_EXISTING, 0);
  const std::vector<std::uint8_t> query(win::kStoragePropertyQuerySize, 0);
  std::vector<std::uint8_t> out(40, 0xEE);
  std::uint32_t returned = 0;
  ASSERT_TRUE(os.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query,
                                 std::span<std::uint8_t>(out.data(), 30), returned));
  EXPECT_EQ(returned, 30u);
  EXPECT_EQ(out[28], win::BusTypeUsb);
  EXPECT_EQ(out[30], 0xEE);
  EXPECT_GT(le32(out, 4), 40u);  // Size tells how much there would be
  const std::vector<std::uint8_t> otherProperty = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(
      os.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, otherProperty, out, returned));
  os.CloseHandle(h);
}

TEST(SimDeviceControl, DiskLengthIsTheAnnouncedSize) {
  SimOs os;
  SimDriveSpec fake = Stick(3'000'000'000'000ull);
  fake.realBytes = 8ull << 30;
  os.AddDrive(1, fake);
  SimDriveSpec broken = Stick(8ull << 30, "F:");
  broken.diskLengthFails = true;
  os.AddDrive(2, broken);
  std::vector<std::uint8_t> out(8, 0);
  std::uint32_t returned = 0;
  const Handle h1 = Open(os, DiskPath(1));
  ASSERT_TRUE(os.DeviceIoControl(h1, win::IOCTL_DISK_GET_LENGTH_INFO, {}, out, returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(le32(out, 0) | static_cast<std::uint64_t>(le32(out, 4)) << 32, 3'000'000'000'000ull);
  const Handle h2 = Open(os, DiskPath(2));
  EXPECT_FALSE(os.DeviceIoControl(h2, win::IOCTL_DISK_GET_LENGTH_INFO, {}, out, returned));
  EXPECT_EQ(returned, 0u);
  os.CloseHandle(h1);
  os.CloseHandle(h2);
}

TEST(SimDeviceControl, DeviceNumbersOfDisksVolumesAndCdRoms) {
  SimOs os;
  SimDriveSpec config = Stick(8ull << 30, "G:");
  SimVolumeSpec second;
  second.letter = "E:";
  config.volumes.push_back(second);
  os.AddDrive(3, config);
  os.AddCdRomLetter("D:");
  struct Row {
    std::string path;
    std::uint32_t type;
    std::uint32_t number;
    std::uint32_t partition;
  };
  const Row rows[] = {
      {VolumePath("G:"), win::FILE_DEVICE_DISK, 3, 1},
      {VolumePath("E:"), win::FILE_DEVICE_DISK, 3, 2},
      {VolumePath("C:"), win::FILE_DEVICE_DISK, 0, 1},
      {DiskPath(3), win::FILE_DEVICE_DISK, 3, 0},
      {VolumePath("D:"), win::FILE_DEVICE_CD_ROM, 0, 0xFFFFFFFFu},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const Handle h = os.CreateFileA(row.path, 0, kShareBoth, win::OPEN_EXISTING, 0);
    ASSERT_NE(h, kInvalidHandle);
    std::vector<std::uint8_t> out(win::kStorageDeviceNumberSize, 0xEE);
    std::uint32_t returned = 0;
    ASSERT_TRUE(os.DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, out, returned));
    EXPECT_EQ(returned, 12u);
    EXPECT_EQ(le32(out, 0), row.type);
    EXPECT_EQ(le32(out, 4), row.number);
    EXPECT_EQ(le32(out, 8), row.partition);
    os.CloseHandle(h);
  }
}

TEST(SimDeviceControl, VolumeLocksBelongToOneHandle) {
  SimOs os;
  os.AddDrive(1, Stick(8ull << 30));
  std::uint32_t returned = 0;
  const auto control = [&](Handle h, std::uint32_t code) {
    return os.DeviceIoControl(h, code, {}, {}, returned);
  };
  const Handle first = Open(os, VolumePath("E:"));
  const Handle second = Open(os, VolumePath("E:"));
  EXPECT_TRUE(control(first, win::FSCTL_LOCK_VOLUME));
  EXPECT_EQ(os.LockedVolumeCount(), 1);
  EXPECT_FALSE(control(second, win::FSCTL_LOCK_VOLUME));
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(control(second, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(os.GetLastError(), win::ERROR_NOT_LOCKED);
  EXPECT_TRUE(control(first, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_FALSE(control(first, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(os.GetLastError(), win::ERROR_NOT_LOCKED);
  EXPECT_EQ(os.LockedVolumeCount(), 0);

  EXPECT_TRUE(control(second, win::FSCTL_LOCK_VOLUME));
  EXPECT_FALSE(os.Dismounted("E:"));
  EXPECT_TRUE(control(second, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_TRUE(os.Dismounted("E:"));
  EXPECT_TRUE(os.CloseHandle(second));  // closing releases the lock
  EXPECT_EQ(os.LockedVolumeCount(), 0);
  EXPECT_TRUE(control(first, win::FSCTL_LOCK_VOLUME));
  os.CloseHandle(first);
  EXPECT_EQ(os.LockedVolumeCount(), 0);
}

TEST(SimDeviceControl, AVolumeThatRefusesLocksStillDismounts) {
  SimOs os;
  SimDriveSpec config = Stick(8ull << 30);
  config.volumes[0].refuseLock = true;
  os.AddDrive(1, config);
  const Handle h = Open(os, VolumePath("E:"));
  std::uint32_t returned = 0;
  EXPECT_FALSE(os.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(os.DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, {}, {}, returned));
  EXPECT_TRUE(os.Dismounted("E:"));
  EXPECT_EQ(os.LockedVolumeCount(), 0);
  os.CloseHandle(h);
}

}  // namespace
}  // namespace sw::platform::sim::testing
