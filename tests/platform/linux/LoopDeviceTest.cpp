// LinuxOs on a real block device: a loop-device stick with an msdos partition table and ext4.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "LoopStick.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {
namespace {

using testing::LoopStick;

constexpr std::size_t kSector = 512;
// Sectors in the first MiB, before the partition: writing there leaves the file system alone.
constexpr std::int64_t kGapSectors[] = {100, 300, 2047};

struct alignas(4096) SectorBuffer {
  std::uint8_t bytes[4096];
};

class LoopDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    stick_ = LoopStick::Create(whyNot);
    if (!stick_) SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot);
    DeviceMap map = os_.Snapshot();
    for (const PhysicalDisk& d : map.disks) {
      if (d.known() && d.devNode == stick_->Disk()) drive_ = d.number;
    }
    for (const VolumeEntry& v : map.volumes) {
      if (v.devNode == stick_->Partition()) letter_ = std::string(1, v.letter) + ":";
    }
    ASSERT_GE(drive_, 1) << "the loop disk got no drive number";
    ASSERT_FALSE(letter_.empty()) << "the loop partition got no letter";
  }
  void TearDown() override { EXPECT_EQ(os_.OpenHandleCount(), 0u) << "a handle was left open"; }

  std::string DiskName() const { return "\\\\.\\PhysicalDrive" + std::to_string(drive_); }
  Handle OpenDisk() {
    return os_.CreateFileA(DiskName(), win::GENERIC_READ | win::GENERIC_WRITE,
                           win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  }
  // The core's WriteSectors: seek, lock the range, write, flush, unlock.
  bool WriteSector(Handle h, std::int64_t sector, const std::uint8_t* data) {
    std::int64_t offset = sector * static_cast<std::int64_t>(kSector);
    std::uint32_t low = static_cast<std::uint32_t>(offset), high = static_cast<std::uint32_t>(offset >> 32);
    std::uint32_t written = 0;
    if (!os_.SetFilePointerEx(h, offset, nullptr, win::FILE_BEGIN)) return false;
    os_.LockFile(h, low, high, kSector, 0);
    if (!os_.WriteFile(h, std::span(data, kSector), written)) return false;
    bool flushed = os_.FlushFileBuffers(h);
    os_.UnlockFile(h, low, high, kSector, 0);
    return flushed && written == kSector;
  }
  bool ReadSector(Handle h, std::int64_t sector, std::uint8_t* data) {
    std::uint32_t read = 0;
    return os_.SetFilePointerEx(h, sector * static_cast<std::int64_t>(kSector), nullptr, win::FILE_BEGIN) &&
           os_.ReadFile(h, std::span(data, kSector), read) && read == kSector;
  }

  std::unique_ptr<LoopStick> stick_;
  LinuxOs os_;
  int drive_ = -1;
  std::string letter_;
};

TEST_F(LoopDevice, IsListedWithItsLetterLabelSizeAndBus) {
  std::vector<std::string> letters = os_.LogicalDrives();
  EXPECT_NE(std::find(letters.begin(), letters.end(), letter_), letters.end());
  EXPECT_EQ(os_.DescribeVolume(letter_), stick_->Partition() + " on " + stick_->MountDir().string());

  char label[14], fsName[32];
  std::uint32_t serial = 0, maxComponent = 0, flags = 0;
  ASSERT_TRUE(os_.GetVolumeInformationA(letter_, label, serial, maxComponent, flags, fsName));
  EXPECT_STREQ(label, LoopStick::kLabel);
  EXPECT_STREQ(fsName, "ext4");
  EXPECT_NE(serial, 0u);
  EXPECT_EQ(maxComponent, 255u);

  std::uint64_t freeToCaller = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(os_.GetDiskFreeSpaceExA(letter_, freeToCaller, total, totalFree));
  EXPECT_GT(total, 400ull << 20);
  EXPECT_LE(total, stick_->Bytes());
  EXPECT_GT(freeToCaller, 380ull << 20);

  Handle h = OpenDisk();
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  std::uint8_t length[8] = {};
  std::uint32_t returned = 0;
  ASSERT_TRUE(os_.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, {}, length, returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(le32(length, 0) | static_cast<std::uint64_t>(le32(length, 4)) << 32, stick_->Bytes());
  // A loop device has no SCSI layer: an honest failure, and the core falls back to the length.
  std::vector<std::uint8_t> spt(win::kSptBlockSize, 0);
  spt[0] = 44;
  spt[6] = 6;
  spt[7] = 24;
  spt[8] = win::SCSI_IOCTL_DATA_IN;
  spt[12] = 192;
  spt[16] = 2;
  spt[20] = win::kSptDataOffset;
  spt[24] = win::kSptSenseOffset;
  spt[win::kSptCdbOffset] = win::kScsiReadCapacity10;
  std::span<std::uint8_t> block(spt.data(), 585);
  returned = 1;
  EXPECT_FALSE(os_.DeviceIoControl(h, win::IOCTL_SCSI_PASS_THROUGH, block, block, returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(os_.CloseHandle(h));

  // The bus type and the drive number need no rights, as IsUSBDisk and GetDiskNumber ask.
  h = os_.CreateFileA(DiskName(), 0, 0, win::OPEN_EXISTING, 0);
  ASSERT_NE(h, kInvalidHandle);
  std::uint8_t query[12] = {};
  std::vector<std::uint8_t> descriptor(1025, 0);
  ASSERT_TRUE(os_.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query,
                                  std::span(descriptor.data(), 512), returned));
  EXPECT_EQ(descriptor[win::kStorageDeviceDescriptorBusTypeOffset], win::BusTypeFileBackedVirtual);
  EXPECT_TRUE(os_.CloseHandle(h));
  h = os_.CreateFileA("\\\\.\\" + letter_, 0, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(h, kInvalidHandle);
  std::uint8_t number[12] = {};
  ASSERT_TRUE(os_.DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, number, returned));
  EXPECT_EQ(le32(number, 0), win::FILE_DEVICE_DISK);
  EXPECT_EQ(le32(number, 4), static_cast<std::uint32_t>(drive_));
  EXPECT_EQ(le32(number, 8), 1u);
  EXPECT_TRUE(os_.CloseHandle(h));
}

TEST_F(LoopDevice, RawSectorsMakeTheRoundTripAndReachTheBackingFile) {
  Handle h = OpenDisk();
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  SectorBuffer out{}, in{};
  for (std::int64_t sector : kGapSectors) {
    SCOPED_TRACE(sector);
    for (std::size_t i = 0; i < kSector; ++i) out.bytes[i] = static_cast<std::uint8_t>(i * 7 + sector);
    ASSERT_TRUE(WriteSector(h, sector, out.bytes)) << os_.GetLastError();
    std::memset(in.bytes, 0, kSector);
    ASSERT_TRUE(ReadSector(h, sector, in.bytes)) << os_.GetLastError();
    EXPECT_EQ(std::memcmp(in.bytes, out.bytes, kSector), 0);
    // Flushed means in the image file, not only somewhere in the kernel.
    std::uint8_t onDisk[kSector];
    {
      UniqueFd image(::open(stick_->Image().c_str(), O_RDONLY));
      ASSERT_EQ(::pread(image.get(), onDisk, kSector, sector * static_cast<off_t>(kSector)),
                static_cast<ssize_t>(kSector));
    }
    EXPECT_EQ(std::memcmp(onDisk, out.bytes, kSector), 0);
  }
  // The last sector of the disk is readable; one past it is not reachable.
  std::int64_t last = static_cast<std::int64_t>(stick_->Bytes() / kSector) - 1;
  EXPECT_TRUE(ReadSector(h, last, in.bytes));
  EXPECT_FALSE(ReadSector(h, last + 1, in.bytes));
  // Right at the end the seek is taken, but the read fails rather than coming back empty.
  std::uint32_t got = 1;
  ASSERT_TRUE(os_.SetFilePointerEx(h, (last + 1) * static_cast<std::int64_t>(kSector), nullptr,
                                   win::FILE_BEGIN));
  EXPECT_FALSE(os_.ReadFile(h, std::span(in.bytes, kSector), got));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_SECTOR_NOT_FOUND);
  EXPECT_EQ(got, 0u);
  // Unbuffered transfers come in whole logical sectors (512 bytes on this device); an unaligned
  // caller buffer is bounced rather than refused.
  std::uint32_t n = 0;
  ASSERT_TRUE(os_.SetFilePointerEx(h, 0, nullptr, win::FILE_BEGIN));
  EXPECT_FALSE(os_.ReadFile(h, std::span(in.bytes, 100), n));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> unaligned(kSector + 1);
  ASSERT_TRUE(os_.SetFilePointerEx(h, 100 * kSector, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os_.ReadFile(h, std::span(unaligned.data() + 1, kSector), n));
  EXPECT_EQ(unaligned[1], static_cast<std::uint8_t>(100));
  EXPECT_TRUE(os_.CloseHandle(h));
}

TEST_F(LoopDevice, ReadBackComesFromTheDeviceNotThePageCache) {
  constexpr std::int64_t kSectorNo = 300;
  Handle h = OpenDisk();
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  SectorBuffer written{}, seen{};
  std::memset(written.bytes, 0x11, kSector);
  ASSERT_TRUE(WriteSector(h, kSectorNo, written.bytes));

  // Another reader through the page cache of the loop device keeps a copy of the sector...
  UniqueFd cached(::open(stick_->Disk().c_str(), O_RDONLY));
  ASSERT_TRUE(cached.valid());
  std::uint8_t viaCache[kSector];
  ASSERT_EQ(::pread(cached.get(), viaCache, kSector, kSectorNo * 512), static_cast<ssize_t>(kSector));
  ASSERT_EQ(viaCache[0], 0x11);

  // ...then the "flash" changes behind the device's back, as a counterfeit's wrap-around does.
  std::uint8_t changed[kSector];
  std::memset(changed, 0x22, kSector);
  {
    UniqueFd image(::open(stick_->Image().c_str(), O_WRONLY));
    ASSERT_EQ(::pwrite(image.get(), changed, kSector, kSectorNo * 512), static_cast<ssize_t>(kSector));
    ASSERT_EQ(::fsync(image.get()), 0);
  }
  // The cached reader still sees the old bytes: this is the fake pass a cached read-back gives.
  ASSERT_EQ(::pread(cached.get(), viaCache, kSector, kSectorNo * 512), static_cast<ssize_t>(kSector));
  EXPECT_EQ(viaCache[0], 0x11) << "the page cache was dropped under the test; the control proves nothing";
  // LinuxOs reads what the device holds now.
  ASSERT_TRUE(ReadSector(h, kSectorNo, seen.bytes));
  EXPECT_EQ(std::memcmp(seen.bytes, changed, kSector), 0);
  EXPECT_TRUE(os_.CloseHandle(h));
}

TEST_F(LoopDevice, LockFailsWhileMountedDismountUnmountsAndTheLockKeepsMountsOut) {
  Handle h = os_.CreateFileA("\\\\.\\" + letter_, win::GENERIC_READ | win::GENERIC_WRITE,
                             win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  ASSERT_NE(h, kInvalidHandle) << os_.GetLastError();
  std::uint32_t returned = 0;
  EXPECT_FALSE(os_.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(os_.DeviceIoControl(h, win::FSCTL_UNLOCK_VOLUME, {}, {}, returned));
  EXPECT_EQ(os_.GetLastError(), win::ERROR_NOT_LOCKED);

  // A busy mount stays: no lazy unmount with writes going on underneath.
  {
    UniqueFd busy(::open((stick_->MountDir() / "busy.txt").c_str(), O_CREAT | O_WRONLY, 0644));
    ASSERT_TRUE(busy.valid());
    EXPECT_FALSE(os_.DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, {}, {}, returned));
    EXPECT_EQ(os_.GetLastError(), win::ERROR_BUSY);
    EXPECT_TRUE(stick_->IsMounted());
  }
  EXPECT_TRUE(os_.DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, {}, {}, returned)) << os_.GetLastError();
  EXPECT_FALSE(stick_->IsMounted());
  std::uint64_t a = 0, b = 0, c = 0;
  EXPECT_FALSE(os_.GetDiskFreeSpaceExA(letter_, a, b, c));  // an unmounted volume has no free space
  EXPECT_EQ(os_.DescribeVolume(letter_), stick_->Partition() + " (not mounted)");
  EXPECT_TRUE(os_.DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, {}, {}, returned));  // nothing left

  ASSERT_TRUE(os_.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, returned)) << os_.GetLastError();
  EXPECT_FALSE(stick_->Mount()) << "a locked volume must not be mountable";
  Handle other = os_.CreateFileA("\\\\.\\" + letter_, win::GENERIC_READ, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(other, kInvalidHandle);
  EXPECT_FALSE(os_.DeviceIoControl(other, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_TRUE(os_.CloseHandle(other));
  EXPECT_TRUE(os_.DeviceIoControl(h, win::FSCTL_UNLOCK_VOLUME, {}, {}, returned));
  EXPECT_TRUE(stick_->Mount());
  EXPECT_FALSE(os_.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, returned));

  // Closing a locked handle releases the lock too.
  ASSERT_TRUE(stick_->Unmount());
  ASSERT_TRUE(os_.DeviceIoControl(h, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_TRUE(os_.CloseHandle(h));
  EXPECT_TRUE(stick_->Mount());
}

}  // namespace
}  // namespace sw::platform::linuxos

namespace sw::platform::linuxos {
namespace {

// A stick with nothing on it, as the Quick Size Test leaves one: still a letter of its own.
TEST(BlankLoopDisk, KeepsALetterLocksAndTakesRawWritesWhileLocked) {
  std::string whyNot;
  std::unique_ptr<LoopStick> stick = LoopStick::Create(whyNot, LoopStick::Layout::Blank);
  if (!stick) SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot);
  LinuxOs os;
  DeviceMap map = os.Snapshot();
  const VolumeEntry* volume = nullptr;
  for (const VolumeEntry& v : map.volumes) {
    if (v.devNode == stick->Disk()) volume = &v;
  }
  ASSERT_NE(volume, nullptr) << "a disk without partitions must get a letter";
  EXPECT_EQ(volume->partitionNumber, 0);
  ASSERT_GE(volume->diskNumber, 1);
  std::string letter = std::string(1, volume->letter) + ":";
  int drive = volume->diskNumber;

  char label[14], fsName[32];
  std::uint32_t serial = 0, maxComponent = 0, flags = 0, returned = 0;
  EXPECT_FALSE(os.GetVolumeInformationA(letter, label, serial, maxComponent, flags, fsName));
  EXPECT_EQ(os.GetLastError(), win::ERROR_UNRECOGNIZED_VOLUME);
  std::uint64_t a = 0, b = 0, c = 0;
  EXPECT_FALSE(os.GetDiskFreeSpaceExA(letter, a, b, c));
  EXPECT_EQ(os.DescribeVolume(letter), stick->Disk() + " (not mounted)");

  Handle vol = os.CreateFileA("\\\\.\\" + letter, win::GENERIC_READ | win::GENERIC_WRITE, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(vol, kInvalidHandle);
  std::uint8_t number[12] = {};
  ASSERT_TRUE(os.DeviceIoControl(vol, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, number, returned));
  EXPECT_EQ(le32(number, 4), static_cast<std::uint32_t>(drive));
  ASSERT_TRUE(os.DeviceIoControl(vol, win::FSCTL_LOCK_VOLUME, {}, {}, returned)) << os.GetLastError();
  EXPECT_TRUE(os.DeviceIoControl(vol, win::FSCTL_DISMOUNT_VOLUME, {}, {}, returned));

  // The lock keeps mounts out, not the test's own raw writes.
  Handle disk = os.CreateFileA("\\\\.\\PhysicalDrive" + std::to_string(drive),
                               win::GENERIC_READ | win::GENERIC_WRITE, 3, win::OPEN_EXISTING, 0);
  ASSERT_NE(disk, kInvalidHandle) << os.GetLastError();
  SectorBuffer out{}, in{};
  std::memset(out.bytes, 0x5A, kSector);
  std::int64_t last = static_cast<std::int64_t>(stick->Bytes() / kSector) - 1;
  std::uint32_t n = 0;
  ASSERT_TRUE(os.SetFilePointerEx(disk, last * 512, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.WriteFile(disk, std::span(out.bytes, kSector), n)) << os.GetLastError();
  EXPECT_TRUE(os.FlushFileBuffers(disk));
  ASSERT_TRUE(os.SetFilePointerEx(disk, last * 512, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.ReadFile(disk, std::span(in.bytes, kSector), n));
  EXPECT_EQ(std::memcmp(in.bytes, out.bytes, kSector), 0);
  EXPECT_TRUE(os.CloseHandle(disk));
  EXPECT_TRUE(os.DeviceIoControl(vol, win::FSCTL_UNLOCK_VOLUME, {}, {}, returned));
  EXPECT_TRUE(os.CloseHandle(vol));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace sw::platform::linuxos
