// Device paths to drives on fake trees, the mounts of a disk, who holds them, and swap.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeSystem.h"
#include "platform/linux/DevicePath.h"
#include "platform/linux/MountHolders.h"

namespace sw::platform::linuxos {
namespace {

namespace fs = std::filesystem;
using testing::FakeSystem;

constexpr const char* kUsbPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

// A laptop: sda holds "/", a USB stick with two partitions, a card, an NVMe disk, a dm device on
// the stick's second partition.
class Machine : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 500118192});
    sys_.AddPartition("sda", 1, "8:1", 499000000);
    sys_.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 62521344, .busPath = kUsbPath, .removable = true});
    sys_.AddPartition("sdb", 1, "8:17", 30000000);
    sys_.AddPartition("sdb", 2, "8:18", 30000000);
    sys_.AddDisk({.name = "mmcblk0", .majMin = "179:0", .sectors = 31116288, .mmcType = "SD"});
    sys_.AddPartition("mmcblk0", 1, "179:1", 31108096);
    sys_.AddDisk({.name = "nvme0n1", .majMin = "259:0", .sectors = 1000215216});
    sys_.AddPartition("nvme0n1", 1, "259:1", 1000000000);
    sys_.AddDisk({.name = "dm-0", .majMin = "253:0", .sectors = 29000000, .slaves = {"sdb2"}});
    sys_.AddMount("8:1", "/dev/sda1", "/", "ext4");
    fs::create_directories(sys_.Root() / "dev" / "disk" / "by-id");
    fs::create_symlink("../../sdb", sys_.Root() / "dev" / "disk" / "by-id" / "usb-Brand_Stick_0123-0:0");
    fs::create_symlink("../../mmcblk0p1", sys_.Root() / "dev" / "disk" / "by-id" / "mmc-SD32G_0x1234-part1");
  }
  DeviceMap Map() const {
    const SystemPaths p = sys_.Paths();
    return BuildDeviceMap(ScanSysBlock(p.sysRoot), ReadMountInfo(p.mountInfo), p.devDir, ReadSwaps(p.swaps));
  }
  NamedDevice Resolve(const std::string& relative) const {
    return ResolveDevicePath(Map(), (sys_.Root() / relative).string(), sys_.Paths().devDir);
  }
  std::string Dev(const std::string& name) const { return (sys_.Root() / "dev" / name).string(); }
  FakeSystem sys_;
};

TEST_F(Machine, DevicePathsNameTheirDiskAndVolume) {
  struct Row {
    const char* path;
    int disk;
    const char* volume;
    const char* device;
  };
  // Drive numbers: sda 0, sdb 1, mmcblk0 2, nvme0n1 3. Letters: C: sda1, D: sdb1, E: sdb2,
  // F: mmcblk0p1, G: nvme0n1p1.
  const Row rows[] = {
      {"dev/sdb", 1, "", "sdb"},
      {"dev/sdb1", 1, "D:", "sdb"},
      {"dev/sdb2", 1, "E:", "sdb"},
      {"dev/disk/by-id/usb-Brand_Stick_0123-0:0", 1, "", "sdb"},
      {"dev/disk/by-id/mmc-SD32G_0x1234-part1", 2, "F:", "mmcblk0"},
      {"dev/mmcblk0", 2, "", "mmcblk0"},
      {"dev/nvme0n1", 3, "", "nvme0n1"},
      {"dev/nvme0n1p1", 3, "G:", "nvme0n1"},
      {"dev/sda", 0, "", "sda"},
  };
  for (const Row& row : rows) {
    const NamedDevice found = Resolve(row.path);
    EXPECT_EQ(found.diskNumber, row.disk) << row.path << ": " << found.error;
    EXPECT_EQ(found.volume, row.volume) << row.path;
    EXPECT_EQ(found.device, Dev(row.device)) << row.path;
    EXPECT_TRUE(found.error.empty()) << row.path;
  }
}

TEST_F(Machine, PathsThatNameNoTestableDriveSayWhy) {
  struct Row {
    const char* path;
    const char* why;
  };
  fs::create_directories(sys_.Root() / "elsewhere");
  std::ofstream(sys_.Root() / "elsewhere" / "sdb") << "";
  const Row rows[] = {
      {"dev/sdz", "no such device"},
      {"dev/dm-0", "not a drive that can be tested"},  // stacked: no drive number
      {"dev/disk", "not a block device"},              // a folder
      {"elsewhere/sdb", "not a block device"},         // a file named like a disk, not a node
  };
  for (const Row& row : rows) {
    const NamedDevice found = Resolve(row.path);
    EXPECT_EQ(found.diskNumber, -1) << row.path;
    EXPECT_NE(found.error.find(row.why), std::string::npos) << row.path << ": " << found.error;
  }
}

TEST_F(Machine, ADiskReplacedByAnotherKeepsNoOldAnswer) {
  // The stick goes, another takes its name sdb with new partitions: the path now names the
  // newcomer, with the volumes of this moment.
  const NamedDevice before = Resolve("dev/sdb2");
  ASSERT_EQ(before.volume, "E:");
  fs::remove_all(fs::canonical(sys_.Root() / "sys" / "block" / "sdb"));
  fs::remove(sys_.Root() / "sys" / "block" / "sdb");
  fs::remove(sys_.Root() / "dev" / "sdb2");
  sys_.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 15728640, .busPath = kUsbPath});
  EXPECT_NE(Resolve("dev/sdb2").error.find("no such device"), std::string::npos);
  const NamedDevice whole = Resolve("dev/sdb");
  EXPECT_EQ(whole.diskNumber, 1);
  EXPECT_EQ(whole.volume, "");
}

TEST_F(Machine, SwapAndHomeMakeADiskTheSystemsToo) {
  sys_.AddMount("259:1", "/dev/nvme0n1p1", "/home", "ext4");
  std::ofstream(sys_.Root() / "swaps") << "Filename Type Size Used Priority\n"
                                       << Dev("mmcblk0p1") << " partition 1024 0 -2\n";
  const DeviceMap map = Map();
  for (const PhysicalDisk& d : map.disks) {
    EXPECT_NE(d.device.name, "nvme0n1");
    EXPECT_NE(d.device.name, "mmcblk0");
  }
  EXPECT_NE(Resolve("dev/nvme0n1").error.find("not a drive that can be tested"), std::string::npos);
  EXPECT_NE(Resolve("dev/mmcblk0p1").error.find("not a drive that can be tested"), std::string::npos);
  EXPECT_EQ(Resolve("dev/sdb").diskNumber, 1);
}

TEST_F(Machine, ASwapFileCountsForTheDiskOfItsFileSystem) {
  sys_.AddMount("259:1", "/dev/nvme0n1p1", "/data", "ext4");
  std::ofstream(sys_.Root() / "swaps") << "Filename Type Size Used Priority\n"
                                       << "/data/my\\040swap\\040file 1024 0 -2\n";
  for (const PhysicalDisk& d : Map().disks) EXPECT_NE(d.device.name, "nvme0n1");
}

TEST_F(Machine, EveryMountOnTheDiskCountsWholeDiskPartitionsAndStackedDevices) {
  sys_.AddMount("8:16", "/dev/sdb", "/mnt/whole", "iso9660");
  sys_.AddMount("8:17", "/dev/sdb1", "/media/stick", "vfat");
  sys_.AddMount("8:17", "/dev/sdb1", "/srv/bound", "vfat", "/sub");
  sys_.AddMount("253:0", "/dev/mapper/secret", "/media/secret", "ext4");
  sys_.AddMount("179:1", "/dev/mmcblk0p1", "/media/card", "vfat");
  const SystemPaths p = sys_.Paths();
  const auto devices = ScanSysBlock(p.sysRoot);
  const SysBlockDevice* sdb = nullptr;
  for (const SysBlockDevice& d : devices) {
    if (d.name == "sdb") sdb = &d;
  }
  ASSERT_NE(sdb, nullptr);
  std::string targets;
  for (const MountEntry& m : MountsOnDisk(devices, ReadMountInfo(p.mountInfo), *sdb, p.devDir)) {
    targets += m.target + " ";
  }
  EXPECT_EQ(targets, "/mnt/whole /media/stick /srv/bound /media/secret ");
}

// A fake /proc: each process a folder with comm, cwd, root, fd/ and maps.
void AddProcess(const fs::path& proc, int pid, const std::string& comm, const std::string& cwd,
                const std::vector<std::string>& fds, const std::string& maps = "") {
  const fs::path dir = proc / std::to_string(pid);
  fs::create_directories(dir / "fd");
  std::ofstream(dir / "comm") << comm << "\n";
  std::ofstream(dir / "maps") << maps;
  fs::create_symlink(cwd, dir / "cwd");
  fs::create_symlink("/", dir / "root");
  for (std::size_t i = 0; i < fds.size(); ++i) fs::create_symlink(fds[i], dir / "fd" / std::to_string(i));
}

TEST(MountHolders, ProcessesWithAFolderFileOrMapBeneathTheMountPoint) {
  FakeSystem sys;
  const fs::path proc = sys.Root() / "proc";
  AddProcess(proc, 40, "bash", "/media/stick/photos", {"/dev/pts/0"});
  AddProcess(proc, 7, "vim", "/home/me", {"/dev/null", "/media/stick/notes.txt"});
  AddProcess(proc, 99, "player", "/", {}, "7f00-7f10 r-xp 00000000 08:11 12 /media/stick/bin/player\n");
  AddProcess(proc, 12, "other", "/media/stick2", {"/media/stickier/x"});  // a neighbour, not beneath
  AddProcess(proc, 13, "idle", "/", {"/dev/null"});
  fs::create_directories(proc / "self");  // not a pid
  const auto holders = ProcessesUsing(proc, "/media/stick");
  ASSERT_EQ(holders.size(), 3u);
  EXPECT_EQ(holders[0], "7 (vim)");
  EXPECT_EQ(holders[1], "40 (bash)");
  EXPECT_EQ(holders[2], "99 (player)");
  EXPECT_TRUE(ProcessesUsing(proc, "/media/none").empty());
}

}  // namespace
}  // namespace sw::platform::linuxos
