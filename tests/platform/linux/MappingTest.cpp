// The small pure rules of the Linux provider: names, buses, errors, wildcards, orders.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/WinApi.h"
#include "platform/linux/BusType.h"
#include "platform/linux/ErrnoMap.h"
#include "platform/linux/SysfsScan.h"
#include "platform/linux/VolumeProbe.h"
#include "platform/linux/WinPath.h"
#include "platform/linux/Wildcard.h"

namespace sw::platform::linuxos {
namespace {

TEST(ErrnoMap, EveryErrnoTheProviderMeetsHasItsWindowsCode) {
  const struct {
    int error;
    std::uint32_t win32;
  } rows[] = {
      {0, win::ERROR_SUCCESS},
      {EACCES, win::ERROR_ACCESS_DENIED},
      {EPERM, win::ERROR_ACCESS_DENIED},
      {EROFS, win::ERROR_WRITE_PROTECT},
      {ENOENT, win::ERROR_FILE_NOT_FOUND},
      {ENOTDIR, win::ERROR_PATH_NOT_FOUND},
      {EBUSY, win::ERROR_SHARING_VIOLATION},
      {EIO, win::ERROR_IO_DEVICE},
      {ENOSPC, win::ERROR_DISK_FULL},
      {EDQUOT, win::ERROR_DISK_FULL},
      {EINVAL, win::ERROR_INVALID_PARAMETER},
      {ENXIO, win::ERROR_NOT_READY},
      {ENODEV, win::ERROR_DEVICE_NOT_CONNECTED},
      {ENOMEDIUM, win::ERROR_NO_MEDIA_IN_DRIVE},
      {ENOTTY, win::ERROR_INVALID_FUNCTION},
      {EBADF, win::ERROR_INVALID_HANDLE},
      {EAGAIN, win::ERROR_LOCK_VIOLATION},
      {EEXIST, win::ERROR_FILE_EXISTS},
      {ENAMETOOLONG, win::ERROR_INVALID_NAME},
      {EMFILE, win::ERROR_TOO_MANY_OPEN_FILES},
      {ENOMEM, win::ERROR_NOT_ENOUGH_MEMORY},
      {EOPNOTSUPP, win::ERROR_NOT_SUPPORTED},
      {ECHILD, win::ERROR_GEN_FAILURE},  // nothing a device or file call gives
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Win32FromErrno(row.error), row.win32) << "errno " << row.error;
  }
}

TEST(BusType, UdevWordOrSysfsPathOrKernelName) {
  const struct {
    const char* name;
    const char* idBus;
    const char* path;
    const char* mmcType;
    win::BusType expected;
  } rows[] = {
      {"sdb", "usb", "/sys/devices/pci0000:00/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "", win::BusTypeUsb},
      {"sdb", "", "/sys/devices/pci0000:00/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "", win::BusTypeUsb},
      {"sdc", "usb", "", "", win::BusTypeUsb},  // udev alone is enough
      {"sda", "ata", "", "", win::BusTypeSata},
      {"sda", "", "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda", "", win::BusTypeSata},
      {"sdd", "scsi", "", "", win::BusTypeScsi},
      {"sdd", "", "/sys/devices/pci0000:00/0000:03:00.0/host2/target2:0:0/2:0:0:0/block/sdd", "", win::BusTypeScsi},
      {"sde", "ieee1394", "", "", win::BusType1394},
      {"nvme0n1", "", "/sys/devices/pci0000:00/0000:3d:00.0/nvme/nvme0/nvme0n1", "", win::BusTypeNvme},
      {"mmcblk0", "", "/sys/devices/platform/mmc0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0", "SD", win::BusTypeSd},
      {"mmcblk1", "", "/sys/devices/platform/mmc1/mmc_host/mmc1/mmc1:0001/block/mmcblk1", "MMC", win::BusTypeMmc},
      // A USB card reader is a USB device, whatever card is in it.
      {"sdf", "", "/sys/devices/pci0000:00/usb1/1-2/1-2:1.0/host7/target7:0:0/7:0:0:1/block/sdf", "", win::BusTypeUsb},
      {"vda", "", "/sys/devices/pci0000:00/0000:00:05.0/virtio2/block/vda", "", win::BusTypeVirtual},
      {"sdg", "", "/sys/devices/pci0000:00/0000:00:04.0/virtio1/host0/target0:0:0/0:0:0:0/block/sdg", "", win::BusTypeVirtual},
      {"loop0", "", "/sys/devices/virtual/block/loop0", "", win::BusTypeFileBackedVirtual},
      {"xyz0", "", "/sys/devices/virtual/block/xyz0", "", win::BusTypeUnknown},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(BusTypeFor(row.name, row.idBus, row.path, row.mmcType), row.expected) << row.name << " " << row.path;
  }
}

TEST(WinPath, DevicesVolumesAndFiles) {
  using K = WinPath::Kind;
  const struct {
    const char* name;
    K kind;
    int drive;
    char letter;
    const char* relative;
  } rows[] = {
      {"\\\\.\\PhysicalDrive0", K::PhysicalDrive, 0, 0, ""},
      {"\\\\.\\PhysicalDrive12", K::PhysicalDrive, 12, 0, ""},
      {"\\\\.\\physicaldrive3", K::PhysicalDrive, 3, 0, ""},
      {"\\\\.\\PhysicalDrive", K::Invalid, -1, 0, ""},
      {"\\\\.\\PhysicalDrive1x", K::Invalid, -1, 0, ""},
      {"\\\\.\\PhysicalDrive-1", K::Invalid, -1, 0, ""},
      {"\\\\.\\e:", K::Volume, -1, 'E', ""},
      {"\\\\.\\", K::Invalid, -1, 0, ""},  // the path an empty designator gives
      {"\\\\.\\E:\\", K::Invalid, -1, 0, ""},
      {"E:", K::VolumeRoot, -1, 'E', ""},
      {"e:\\", K::VolumeRoot, -1, 'E', ""},
      {"E:\\WARDFILE1.tmp", K::File, -1, 'E', "WARDFILE1.tmp"},
      {"E:/sub\\dir//x.tmp", K::File, -1, 'E', "sub/dir/x.tmp"},
      {"E:\\..\\..\\etc\\passwd", K::File, -1, 'E', "etc/passwd"},  // never above the root
      {"E:\\a\\.\\..\\b", K::File, -1, 'E', "b"},
      {"/etc/passwd", K::Invalid, -1, 0, ""},
      {"1:\\x", K::Invalid, -1, 0, ""},
      {"", K::Invalid, -1, 0, ""},
  };
  for (const auto& row : rows) {
    WinPath p = ParseWinPath(row.name);
    EXPECT_EQ(p.kind, row.kind) << row.name;
    EXPECT_EQ(p.driveNumber, row.drive) << row.name;
    EXPECT_EQ(p.letter, row.letter) << row.name;
    EXPECT_EQ(p.relative, row.relative) << row.name;
  }
}

TEST(Wildcard, OnlyStarAndQuestionMarkAreWild) {
  const struct {
    const char* pattern;
    const char* name;
    bool matches;
  } rows[] = {
      {"WARDFILE*.tmp", "WARDFILE1.tmp", true},
      {"WARDFILE*.tmp", "wardfile12.TMP", true},  // Windows ignores case
      {"WARDFILE*.tmp", "WARDFILE.tmp", true},
      {"WARDFILE*.tmp", "WARDFILE1.tmp.bak", false},
      {"WARDFILE*.tmp", "XWARDFILE1.tmp", false},
      {"WARDFILE?.tmp", "WARDFILE7.tmp", true},
      {"WARDFILE?.tmp", "WARDFILE17.tmp", false},
      {"[ab].txt", "[ab].txt", true},  // brackets are plain characters on Windows
      {"[ab].txt", "a.txt", false},
      {"a\\b", "a\\b", true},
      {"*.*", "README", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(MatchesWildcard(row.pattern, row.name), row.matches) << row.pattern << " ~ " << row.name;
  }
}

TEST(NaturalLess, KernelNameOrder) {
  const struct {
    const char* a;
    const char* b;
  } ordered[] = {
      {"sda", "sdb"}, {"sdz", "sdaa"}, {"sdaa", "sdab"}, {"loop2", "loop10"},
      {"nvme0n1", "nvme0n2"}, {"nvme0n9", "nvme1n1"}, {"nvme1n1", "nvme10n1"},
      {"mmcblk0", "mmcblk1"}, {"sdb1", "sdb2"}, {"sdb", "sdb1"},
  };
  for (const auto& row : ordered) {
    EXPECT_TRUE(NaturalLess(row.a, row.b)) << row.a << " < " << row.b;
    EXPECT_FALSE(NaturalLess(row.b, row.a)) << row.b << " !< " << row.a;
  }
  EXPECT_FALSE(NaturalLess("sdb", "sdb"));
}

TEST(VolumeProbe, WindowsNamesAndSerials) {
  EXPECT_EQ(WindowsFileSystemName("vfat", "FAT32"), "FAT32");
  EXPECT_EQ(WindowsFileSystemName("vfat", "FAT16"), "FAT");
  EXPECT_EQ(WindowsFileSystemName("exfat", "1.0"), "exFAT");
  EXPECT_EQ(WindowsFileSystemName("ntfs", ""), "NTFS");
  EXPECT_EQ(WindowsFileSystemName("ext4", "1.0"), "ext4");
  EXPECT_EQ(SerialFromUuid("1234-ABCD"), 0x1234ABCDu);
  EXPECT_EQ(SerialFromUuid("c0ffee00-1111-2222-3333-444455556666"), 0xC0FFEE00u);
  EXPECT_EQ(SerialFromUuid(""), 0u);
}

}  // namespace
}  // namespace sw::platform::linuxos
