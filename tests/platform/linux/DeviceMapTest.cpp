// Drive numbers and letters worked out from fake sysfs trees and mount tables.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "platform/linux/DeviceMap.h"

namespace sw::platform::linuxos {
namespace {

using testing::FakeDisk;
using testing::FakeSystem;

constexpr const char* kUsbPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
constexpr const char* kSataPath = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";

DeviceMap MapOf(const FakeSystem& sys) {
  SystemPaths p = sys.Paths();
  return BuildDeviceMap(ScanSysBlock(p.sysRoot), ReadMountInfo(p.mountInfo), p.devDir);
}

// "sda sdb -" : the disks by number, "-" for an unknown disk 0.
std::string Disks(const DeviceMap& map) {
  std::string text;
  for (const PhysicalDisk& d : map.disks) text += (text.empty() ? "" : " ") + (d.known() ? d.device.name : "-");
  return text;
}

// "C=sda2/0.2@/ D=sdc/2.0" : letter, volume, disk.partition, mount point when mounted.
std::string Volumes(const DeviceMap& map) {
  std::string text;
  for (const VolumeEntry& v : map.volumes) {
    if (!text.empty()) text += " ";
    text += std::string(1, v.letter) + "=" + (v.name.empty() ? "-" : v.name) + "/" +
            std::to_string(v.diskNumber) + "." + std::to_string(v.partitionNumber);
    if (!v.mountPoint.empty()) text += "@" + v.mountPoint;
  }
  return text;
}

TEST(DeviceMap, LaptopWithStickCardReaderNvmeLoopsAndBlankDisk) {
  FakeSystem sys;
  sys.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 500118192, .busPath = kSataPath});
  sys.AddPartition("sda", 1, "8:1", 1048576);
  sys.AddPartition("sda", 2, "8:2", 499000000);
  sys.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 62521344, .busPath = kUsbPath, .removable = true});
  sys.AddPartition("sdb", 1, "8:17", 30000000);
  sys.AddPartition("sdb", 2, "8:18", 2);  // extended-partition container
  sys.AddPartition("sdb", 5, "8:21", 30000000);
  sys.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 15728640, .busPath = kUsbPath});
  sys.AddDisk({.name = "mmcblk0", .majMin = "179:0", .sectors = 31116288,
               .busPath = "platform/mmc0/mmc_host/mmc0/mmc0:aaaa", .mmcType = "SD"});
  sys.AddPartition("mmcblk0", 1, "179:1", 31108096);
  sys.AddDisk({.name = "nvme0n1", .majMin = "259:0", .sectors = 1000215216,
               .busPath = "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0"});
  sys.AddPartition("nvme0n1", 1, "259:1", 1000000000);
  sys.AddDisk({.name = "loop1", .majMin = "7:1", .sectors = 0});
  sys.AddDisk({.name = "loop0", .majMin = "7:0", .sectors = 921600, .backingFile = "/tmp/stick.img"});
  sys.AddDisk({.name = "zram0", .majMin = "253:0", .sectors = 8388608});
  sys.AddMount("8:2", "/dev/sda2", "/", "ext4");
  sys.AddMount("8:1", "/dev/sda1", "/boot/efi", "vfat");
  sys.AddMount("8:17", "/dev/sdb1", "/media/user/MY STICK", "vfat");
  sys.AddMount("259:1", "/dev/nvme0n1p1", "/data", "ext4");

  DeviceMap map = MapOf(sys);
  // The system disk is 0; sticks and readers come before nvme, vd and loop; loop1 has nothing
  // attached and zram is no drive.
  EXPECT_EQ(Disks(map), "sda sdb sdc mmcblk0 nvme0n1 loop0");
  EXPECT_EQ(Volumes(map),
            "C=sda2/0.2@/ D=sda1/0.1@/boot/efi E=sdb1/1.1@/media/user/MY STICK F=sdb5/1.5 "
            "G=sdc/2.0 H=mmcblk0p1/3.1 I=nvme0n1p1/4.1@/data J=loop0/5.0");
  ASSERT_NE(map.Volume('e'), nullptr);
  EXPECT_EQ(map.Volume('e')->devNode, sys.Paths().devDir + "/sdb1");
  EXPECT_EQ(map.Volume('e')->fsType, "vfat");
  EXPECT_EQ(map.Volume('K'), nullptr);
  EXPECT_EQ(map.Disk(1)->devNode, sys.Paths().devDir + "/sdb");
  EXPECT_EQ(map.Disk(6), nullptr);
}

TEST(DeviceMap, RootOnAWholeVirtioDiskAndAPartitionedLoop) {
  FakeSystem sys;
  sys.AddDisk({.name = "vda", .majMin = "254:0", .sectors = 536870912, .busPath = "pci0000:00/virtio1"});
  sys.AddDisk({.name = "loop3", .majMin = "7:3", .sectors = 921600, .backingFile = "/tmp/a b.img"});
  sys.AddPartition("loop3", 1, "259:7", 917504);
  sys.AddMount("254:0", "/dev/vda", "/", "ext4");
  sys.AddMount("259:7", "/dev/loop3p1", "/tmp/sw stick", "ext4");

  DeviceMap map = MapOf(sys);
  EXPECT_EQ(Disks(map), "vda loop3");
  EXPECT_EQ(Volumes(map), "C=vda/0.0@/ D=loop3p1/1.1@/tmp/sw stick");
}

TEST(DeviceMap, SystemDisksBehindLvmRaidAndContainers) {
  struct Case {
    const char* what;
    void (*build)(FakeSystem&);
    const char* disks;
    const char* volumes;
  };
  const Case cases[] = {
      {"root on LVM over sda3",
       [](FakeSystem& s) {
         s.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 1000, .busPath = kSataPath});
         s.AddPartition("sda", 1, "8:1", 100);
         s.AddPartition("sda", 3, "8:3", 800);
         s.AddDisk({.name = "dm-0", .majMin = "252:0", .sectors = 800, .slaves = {"sda3"}});
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 1000, .busPath = kUsbPath});
         s.AddMount("252:0", "/dev/mapper/vg-root", "/", "ext4");
       },
       "sda sdb", "C=dm-0/0.0@/ D=sda1/0.1 E=sda3/0.3 F=sdb/1.0"},
      {"root on RAID 1 of sda1 and sdb1: sdb gets no number",
       [](FakeSystem& s) {
         s.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 1000, .busPath = kSataPath});
         s.AddPartition("sda", 1, "8:1", 900);
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 1000, .busPath = kSataPath});
         s.AddPartition("sdb", 1, "8:17", 900);
         s.AddDisk({.name = "md0", .majMin = "9:0", .sectors = 900, .slaves = {"sda1", "sdb1"}});
         s.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 1000, .busPath = kUsbPath});
         s.AddMount("9:0", "/dev/md0", "/", "ext4");
       },
       "sda sdc", "C=md0/0.0@/ D=sda1/0.1 E=sdc/1.0"},
      {"overlay root of a container, host disk behind /etc/hosts",
       [](FakeSystem& s) {
         s.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 1000, .busPath = kSataPath});
         s.AddPartition("sda", 1, "8:1", 900);
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 1000, .busPath = kUsbPath});
         s.AddMount("0:61", "overlay", "/", "overlay");
         s.AddMount("8:1", "/dev/sda1", "/etc/hosts", "ext4", "/var/lib/docker/containers/x/hosts");
       },
       "sda sdb", "C=-/-1.0@/ D=sda1/0.1 E=sdb/1.0"},
      {"no system disk found at all",
       [](FakeSystem& s) {
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 1000, .busPath = kUsbPath});
         s.AddMount("0:30", "rootfs", "/", "tmpfs");
       },
       "- sdb", "C=-/-1.0@/ D=sdb/1.0"},
      {"btrfs root: anonymous device number, matched by its source",
       [](FakeSystem& s) {
         s.AddDisk({.name = "nvme0n1", .majMin = "259:0", .sectors = 1000});
         s.AddPartition("nvme0n1", 2, "259:2", 900);
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 1000, .busPath = kUsbPath});
         s.AddMount("0:34", "/dev/nvme0n1p2", "/", "btrfs");
       },
       "nvme0n1 sdb", "C=nvme0n1p2/0.2@/ D=sdb/1.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem sys;
    c.build(sys);
    // The btrfs case names its source by the real /dev path; the fixture's nodes live elsewhere.
    DeviceMap map = MapOf(sys);
    if (std::string(c.what).rfind("btrfs", 0) == 0) {
      SystemPaths p = sys.Paths();
      map = BuildDeviceMap(ScanSysBlock(p.sysRoot), ReadMountInfo(p.mountInfo), "/dev");
    }
    EXPECT_EQ(Disks(map), c.disks);
    EXPECT_EQ(Volumes(map), c.volumes);
  }
}

TEST(DeviceMap, LettersStopAtZ) {
  FakeSystem sys;
  sys.AddDisk({.name = "vda", .majMin = "254:0", .sectors = 1000});
  sys.AddMount("254:0", "/dev/vda", "/", "ext4");
  for (int i = 0; i < 30; ++i) {
    std::string name = "loop" + std::to_string(i);
    sys.AddDisk({.name = name, .majMin = "7:" + std::to_string(i), .sectors = 100, .backingFile = "/x"});
  }
  DeviceMap map = MapOf(sys);
  EXPECT_EQ(map.disks.size(), 31u);
  ASSERT_EQ(map.volumes.size(), 24u);  // C: to Z:
  EXPECT_EQ(map.volumes.back().letter, 'Z');
  EXPECT_EQ(map.volumes.back().name, "loop22");  // natural order: loop2 before loop10
  EXPECT_EQ(map.volumes[1].name, "loop0");
  EXPECT_EQ(map.volumes[3].name, "loop2");
}

TEST(MountTable, UndoesTheKernelsOctalEscapes) {
  FakeSystem sys;
  sys.AddMount("8:17", "/dev/sdb1", "/media/my stick\\backup\tnew", "vfat");
  sys.AddMount("8:33", "/dev/sdc1", "/mnt/plain", "exfat", "/sub dir");
  std::vector<MountEntry> mounts = ReadMountInfo(sys.Paths().mountInfo);
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0].target, "/media/my stick\\backup\tnew");
  EXPECT_EQ(mounts[0].majMin, "8:17");
  EXPECT_EQ(mounts[0].source, "/dev/sdb1");
  EXPECT_EQ(mounts[0].fsType, "vfat");
  EXPECT_EQ(mounts[1].root, "/sub dir");
  EXPECT_TRUE(ReadMountInfo(sys.Root() / "missing").empty());
}

TEST(MountTable, OnlyAWholeMountMakesAVolumeMounted) {
  std::vector<MountEntry> mounts = {
      {"8:17", "/dev/sdb1", "/srv/share", "ext4", "/photos"},
      {"8:17", "/dev/sdb1", "/media/stick", "ext4", "/"},
      {"8:33", "/dev/sdc1", "/media/other", "ext4", "/"},
  };
  ASSERT_NE(FindMount(mounts, "8:17", "/dev/sdb1"), nullptr);
  EXPECT_EQ(FindMount(mounts, "8:17", "/dev/sdb1")->target, "/media/stick");
  EXPECT_EQ(FindMount(mounts, "", "/dev/sdc1")->target, "/media/other");
  EXPECT_EQ(FindMount({mounts[0]}, "8:17", "/dev/sdb1"), nullptr);  // only a folder of it
  EXPECT_EQ(FindMount(mounts, "8:49", "/dev/sdd1"), nullptr);
}

}  // namespace
}  // namespace sw::platform::linuxos
