// The pin of the user's pick on fake sysfs trees: every way of naming a stick leads to its disk
// (a partition to its volume too), and a stick swapped for another of the same model and size
// under the same node is told apart by its diskseq alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeSystem.h"
#include "core/Context.h"
#include "diskio/PinnedDrive.h"
#include "platform/linux/LinuxOs.h"
#include "support/ScriptedWindow.h"

namespace sw::platform::linuxos {
namespace {

namespace fs = std::filesystem;
using core::IdentityCheck;
using testing::FakeDisk;
using testing::FakeSystem;

constexpr const char* kUsbPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

struct FakePartition {
  int number;
  const char* majMin;
  std::uint64_t sectors;
};

struct PluggedDisk {
  FakeDisk disk;
  std::vector<FakePartition> partitions;
};

// vda holds "/"; then a USB stick, a card and an NVMe disk, each with one partition, each of a
// model and size that a second one, bought in the same shop, shares.
std::vector<PluggedDisk> Machine() {
  return {
      {{.name = "vda", .majMin = "254:0", .sectors = 1000, .busPath = "pci0000:00/virtio1", .diskSeq = 1}, {}},
      {{.name = "sdb", .majMin = "8:16", .sectors = 62521344, .busPath = kUsbPath, .removable = true,
        .vendor = "ACME", .model = "Flash Disk", .diskSeq = 9},
       {{1, "8:17", 62519296}}},
      {{.name = "mmcblk0", .majMin = "179:0", .sectors = 31116288, .busPath = "platform/mmc0/mmc_host/mmc0",
        .mmcType = "SD", .diskSeq = 12},
       {{1, "179:1", 31108096}}},
      {{.name = "nvme0n1", .majMin = "259:0", .sectors = 1000215216,
        .busPath = "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0", .model = "Fast NVMe 512", .diskSeq = 4},
       {{1, "259:1", 1000000000}}},
  };
}

void Plug(FakeSystem& sys, const PluggedDisk& p) {
  sys.AddDisk(p.disk);
  for (const FakePartition& part : p.partitions) sys.AddPartition(p.disk.name, part.number, part.majMin, part.sectors);
}

// The machine with a LinuxOs and a context on it; one per case, as each case unplugs disks.
struct FakeMachine {
  FakeMachine() {
    for (const PluggedDisk& p : Machine()) Plug(sys, p);
    sys.AddMount("254:0", "/dev/vda", "/", "ext4");
    fs::create_directories(sys.Root() / "dev" / "disk" / "by-id");
    fs::create_symlink("../../sdb", sys.Root() / "dev" / "disk" / "by-id" / "usb-ACME_Flash_Disk_0123-0:0");
    fs::create_symlink("../../mmcblk0p1", sys.Root() / "dev" / "disk" / "by-id" / "mmc-SD32G_0x1234-part1");
  }
  // Another disk of the same model and size under the same name and numbers: only the kernel's
  // count of attached disks tells it from the one that left.
  void SwapForTwin(const std::string& name) {
    for (PluggedDisk p : Machine()) {
      if (p.disk.name != name) continue;
      sys.RemoveDisk(name);
      p.disk.diskSeq += 40;
      Plug(sys, p);
    }
  }
  std::string Dev(const std::string& name) const { return sys.Paths().devDir + "/" + name; }
  NamedDevice Find(const std::string& relative) { return os.FindDevice((sys.Root() / relative).string()); }

  FakeSystem sys;
  LinuxOs os{sys.Paths()};
  sw::testing::ScriptedWindow win;
  core::Context ctx{os, win};
};

TEST(PinOnFakeMachine, EveryNameOfAStickPinsItsDiskAndATwinInItsPlaceNeverTakesItsNumber) {
  struct Row {
    const char* path;  // as the user types it, under the fixture's root
    const char* disk;
    int number;
    const char* volume;  // what the file test gets: the partition's letter, none for a disk
  };
  const Row rows[] = {
      {"dev/sdb", "sdb", 1, ""},
      {"dev/sdb1", "sdb", 1, "D:"},
      {"dev/disk/by-id/usb-ACME_Flash_Disk_0123-0:0", "sdb", 1, ""},
      {"dev/disk/by-id/mmc-SD32G_0x1234-part1", "mmcblk0", 2, "E:"},
      {"dev/mmcblk0p1", "mmcblk0", 2, "E:"},
      {"dev/nvme0n1p1", "nvme0n1", 3, "F:"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    FakeMachine m;
    const NamedDevice named = m.Find(row.path);
    ASSERT_EQ(named.diskNumber, row.number) << named.error;
    EXPECT_EQ(named.volume, row.volume);
    EXPECT_EQ(named.device, m.Dev(row.disk));
    ASSERT_TRUE(diskio::PinDrive(m.ctx, named.diskNumber));
    ASSERT_TRUE(m.ctx.state.Pinned.has_value());
    EXPECT_EQ(m.ctx.state.Pinned->Device, m.Dev(row.disk));
    EXPECT_TRUE(m.ctx.state.Pinned->identity.Key.has_value()) << "the diskseq makes the key";
    EXPECT_EQ(diskio::VerifyPinnedDrive(m.ctx), IdentityCheck::Same);
    if (*row.volume) {
      EXPECT_EQ(diskio::VerifyPinnedVolume(m.ctx, row.volume), IdentityCheck::Same);
    }
    EXPECT_EQ(m.ctx.state.IdentityLost, IdentityCheck::Same);

    m.SwapForTwin(row.disk);
    // The twin answers to every name the pick had, with the pick's model and size, but it is a
    // disk of its own: a number of its own, and nothing answers under the pinned one.
    const NamedDevice twin = m.Find(row.path);
    EXPECT_GT(twin.diskNumber, 3);
    EXPECT_EQ(diskio::VerifyPinnedDrive(m.ctx), IdentityCheck::Gone);
    if (*row.volume) {
      EXPECT_NE(twin.volume, row.volume) << "the twin's partition gets a letter of its own";
      EXPECT_NE(diskio::VerifyPinnedVolume(m.ctx, row.volume), IdentityCheck::Same);
    }
    EXPECT_NE(m.ctx.state.IdentityLost, IdentityCheck::Same);

    // Pinned now, the twin is checked as itself, and other disks leaving moves nothing.
    ASSERT_TRUE(diskio::PinDrive(m.ctx, twin.diskNumber));
    m.ctx.state.IdentityLost = IdentityCheck::Same;
    for (const char* other : {"sdb", "mmcblk0", "nvme0n1"}) {
      if (std::string(other) != row.disk) m.sys.RemoveDisk(other);
    }
    EXPECT_EQ(diskio::VerifyPinnedDrive(m.ctx), IdentityCheck::Same);
    m.sys.RemoveDisk(row.disk);
    EXPECT_EQ(diskio::VerifyPinnedDrive(m.ctx), IdentityCheck::Gone);
    EXPECT_EQ(m.ctx.state.IdentityLost, IdentityCheck::Gone);
  }
}

}  // namespace
}  // namespace sw::platform::linuxos
