// The kept scan of the machine: any change a question must see makes the next one scan afresh,
// and only an unchanged machine is answered from the scan before.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "FakeSystem.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/MachineMark.h"
#include "platform/linux/ScanMemo.h"

namespace sw::platform::linuxos {
namespace {

namespace fs = std::filesystem;
using testing::FakeDisk;
using testing::FakeSystem;

ScanSources SourcesOf(const FakeSystem& sys) {
  const SystemPaths p = sys.Paths();
  return {p.sysRoot, p.mountInfo, p.devDir, p.swaps, p.procRoot};
}

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

const PhysicalDisk* DiskNamed(const DeviceMap& map, const std::string& name) {
  for (const PhysicalDisk& d : map.disks) {
    if (d.device.name == name) return &d;
  }
  return nullptr;
}

// A system disk, a stick with one partition and a loop device, every one with a diskseq.
void Populate(FakeSystem& sys) {
  sys.AddDisk({.name = "sda", .majMin = "8:0", .sectors = 1000000, .diskSeq = 1});
  sys.AddPartition("sda", 1, "8:1", 999000);
  sys.AddMount("8:1", "/dev/sda1", "/", "ext4");
  sys.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 8000000, .removable = true, .diskSeq = 7});
  sys.AddPartition("sdb", 1, "8:17", 7990000);
  sys.AddDisk({.name = "loop0", .majMin = "7:0", .sectors = 2048, .backingFile = "/img/a", .diskSeq = 9});
}

TEST(ScanMemo, EveryChangeIsSeenAtTheNextQuestion) {
  struct Row {
    const char* what;
    std::function<void(FakeSystem&)> change;
    bool rescans;
    std::function<bool(const DeviceMap&)> seen;  // the map shows the change
  };
  const fs::path sysBlock = "sys/block";
  const std::vector<Row> rows = {
      {"nothing changed", [](FakeSystem&) {}, false,
       [](const DeviceMap& m) { return DiskNamed(m, "sdb") != nullptr; }},
      {"the stick swapped for another under the same name and number",
       [](FakeSystem& s) {
         s.RemoveDisk("sdb");
         s.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 8000000, .removable = true, .diskSeq = 8});
         s.AddPartition("sdb", 1, "8:17", 7990000);
       },
       true, [](const DeviceMap& m) { return DiskNamed(m, "sdb") && DiskNamed(m, "sdb")->device.diskSeq == 8; }},
      {"the stick removed", [](FakeSystem& s) { s.RemoveDisk("sdb"); }, true,
       [](const DeviceMap& m) { return DiskNamed(m, "sdb") == nullptr; }},
      {"a disk added",
       [](FakeSystem& s) { s.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 100, .diskSeq = 11}); }, true,
       [](const DeviceMap& m) { return DiskNamed(m, "sdc") != nullptr; }},
      {"a mount of the stick appeared",
       [](FakeSystem& s) { s.AddMount("8:17", "/dev/sdb1", s.MakeFolder("stick").string(), "vfat"); }, true,
       [](const DeviceMap& m) {
         for (const VolumeEntry& v : m.volumes) {
           if (v.name == "sdb1") return !v.mountPoint.empty();
         }
         return false;
       }},
      {"a partition appeared on the same diskseq", [](FakeSystem& s) { s.AddPartition("sdb", 2, "8:18", 5000); },
       true, [](const DeviceMap& m) { return DiskNamed(m, "sdb")->device.partitions.size() == 2; }},
      {"a partition gone and another in its place with its device number and size",
       [&](FakeSystem& s) {
         fs::remove_all(fs::canonical(s.Root() / sysBlock / "sdb") / "sdb1");
         s.AddPartition("sdb", 2, "8:17", 7990000);
       },
       true, [](const DeviceMap& m) { return DiskNamed(m, "sdb")->device.partitions.at(0).number == 2; }},
      {"a partition changed its size",
       [&](FakeSystem& s) { Write(fs::canonical(s.Root() / sysBlock / "sdb") / "sdb1" / "size", "4000"); }, true,
       [](const DeviceMap& m) { return DiskNamed(m, "sdb")->device.partitions.at(0).sizeSectors == 4000; }},
      {"the disk's size changed",
       [&](FakeSystem& s) { Write(s.Root() / sysBlock / "sdb" / "size", "16000000"); }, true,
       [](const DeviceMap& m) { return DiskNamed(m, "sdb")->device.sizeSectors == 16000000; }},
      {"the loop device detached",
       [&](FakeSystem& s) { Write(s.Root() / sysBlock / "loop0" / "loop" / "backing_file", ""); }, true,
       [](const DeviceMap& m) { return DiskNamed(m, "loop0") == nullptr; }},
      {"the stick's node renamed", [&](FakeSystem& s) {
         Write(s.Root() / sysBlock / "sdb" / "uevent", "MAJOR=8\nDEVNAME=sdx\nDEVTYPE=disk");
       },
       true, [](const DeviceMap& m) { return DiskNamed(m, "sdb")->device.devName == "sdx"; }},
      {"a swap area on the stick", [](FakeSystem& s) {
         Write(s.Root() / "swaps", "Filename Type Size Used Priority\n" + s.Paths().devDir + "/sdb1 partition 1 0 -2");
       },
       true, [](const DeviceMap& m) { return DiskNamed(m, "sdb") == nullptr; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeSystem sys;
    Populate(sys);
    ScanMemo memo;
    memo.Current(SourcesOf(sys));
    memo.Current(SourcesOf(sys));
    ASSERT_EQ(memo.Scans(), 1u) << "an unchanged machine is scanned once";
    row.change(sys);
    const DeviceMap map = memo.Current(SourcesOf(sys));
    EXPECT_EQ(memo.Scans(), row.rescans ? 2u : 1u);
    EXPECT_TRUE(row.seen(map));
  }
}

TEST(ScanMemo, APartitionIsMarkedUnderItsOwnDiskNotAShorterName) {
  // sdaa1 begins with sda as well: a sector more on it shows only in sdaa's folder.
  FakeSystem sys;
  Populate(sys);
  sys.AddDisk({.name = "sdaa", .majMin = "65:160", .sectors = 4000, .diskSeq = 12});
  sys.AddPartition("sdaa", 1, "65:161", 3000);
  ScanMemo memo;
  memo.Current(SourcesOf(sys));
  Write(fs::canonical(sys.Root() / "sys" / "block" / "sdaa") / "sdaa1" / "size", "3001");
  const DeviceMap map = memo.Current(SourcesOf(sys));
  EXPECT_EQ(memo.Scans(), 2u);
  EXPECT_EQ(DiskNamed(map, "sdaa")->device.partitions.at(0).sizeSectors, 3001u);
}

TEST(ScanMemo, NothingIsKeptOfADiskWithoutDiskseq) {
  // A kernel that counts no disks has no file; a device it never counted says 0.
  for (const char* seq : {"", "0"}) {
    SCOPED_TRACE(std::string("diskseq \"") + seq + "\"");
    FakeSystem sys;
    Populate(sys);
    sys.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 100});
    if (*seq != 0) Write(sys.Root() / "sys" / "block" / "sdc" / "diskseq", seq);
    ScanMemo memo;
    memo.Current(SourcesOf(sys));
    memo.Current(SourcesOf(sys));
    EXPECT_EQ(memo.Scans(), 2u);
  }
}

// A FUSE mount that names no device, served by a fake process in the fixture's /proc.
struct FuseStick {
  FuseStick() {
    Populate(sys);
    point = sys.MakeFolder("fat").string();
    sys.AddMount("0:55", "fusefat", point, "fuse.fusefat");
    proc = sys.Root() / "proc" / "4242";
    fs::create_directories(proc / "fd");
    std::ofstream(proc / "cmdline", std::ios::binary) << "fusefat" << '\0' << point << '\0';
    Write(proc / "stat", "4242 (fuse fat) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 777 19 20");
    fs::create_symlink("/dev/fuse", proc / "fd" / "3");
    fs::create_symlink(sys.Paths().devDir + "/sdb1", proc / "fd" / "4");
  }
  bool StickMounted(const DeviceMap& map) const {
    for (const VolumeEntry& v : map.volumes) {
      if (v.name == "sdb1") return v.mountPoint == point;
    }
    return false;
  }
  FakeSystem sys;
  std::string point;
  fs::path proc;
};

TEST(ScanMemoFuse, AServerThatChangesIsSeen) {
  struct Row {
    const char* what;
    std::function<void(const FuseStick&)> change;
    bool rescans;
  };
  const std::vector<Row> rows = {
      {"the same server", [](const FuseStick&) {}, false},
      {"the server lets the stick go", [](const FuseStick& f) { fs::remove(f.proc / "fd" / "4"); }, true},
      {"the pid given to a process started later",
       [](const FuseStick& f) {
         Write(f.proc / "stat", "4242 (fuse fat) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 999 19 20");
       },
       true},
      {"the server gone", [](const FuseStick& f) { fs::remove_all(f.proc); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FuseStick fuse;
    ScanMemo memo;
    ASSERT_TRUE(fuse.StickMounted(memo.Current(SourcesOf(fuse.sys))));
    memo.Current(SourcesOf(fuse.sys));
    ASSERT_EQ(memo.Scans(), 1u);
    row.change(fuse);
    memo.Current(SourcesOf(fuse.sys));
    EXPECT_EQ(memo.Scans(), row.rescans ? 2u : 1u);
  }
}

TEST(ScanMemoFuse, AMountWithoutAServerIsNeverKept) {
  FuseStick fuse;
  fs::remove_all(fuse.proc);
  ScanMemo memo;
  memo.Current(SourcesOf(fuse.sys));
  memo.Current(SourcesOf(fuse.sys));
  EXPECT_EQ(memo.Scans(), 2u);
}

// Through the provider: the questions the core asks over and over share one scan, and the disk
// a number stood for is gone from it at the first question after a swap.
TEST(ScanMemo, TheProvidersQuestionsShareAScanUntilTheMachineChanges) {
  FakeSystem sys;
  Populate(sys);
  LinuxOs os(sys.Paths());
  const std::string stick = sys.Paths().devDir + "/sdb";
  EXPECT_EQ(os.DeviceName(1), stick);
  EXPECT_EQ(os.LogicalDrives().size(), 3u);  // C:, the stick's partition, the loop device
  EXPECT_EQ(os.CreateFileA("\\\\.\\Q:", 0, 3, win::OPEN_EXISTING, 0), kInvalidHandle);
  EXPECT_EQ(os.LastDriveNumberToList(), 2);
  EXPECT_EQ(os.FullScans(), 1u);
  sys.RemoveDisk("sdb");
  sys.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 8000000, .removable = true, .diskSeq = 30});
  EXPECT_EQ(os.DeviceName(1), "") << "drive 1 was the stick before it";
  EXPECT_EQ(os.DeviceName(3), stick);
  EXPECT_EQ(os.FullScans(), 2u);
}

// The descriptors kept open: only kernel tables, always read from their start, and opened anew
// once what they show has gone.
TEST(MarkFiles, KeptDescriptorsReadTheKernelsTextAsItIsNow) {
  MarkFiles files;
  {
    SCOPED_TRACE("a text of procfs that changes is read anew through the kept descriptor");
    char name[16] = {};
    ::prctl(PR_GET_NAME, name);
    ASSERT_EQ(::prctl(PR_SET_NAME, "mark-one"), 0);
    EXPECT_EQ(files.Read("/proc/self/comm"), "mark-one\n");
    EXPECT_EQ(files.HeldCount(), 1u);
    ASSERT_EQ(::prctl(PR_SET_NAME, "mark-two"), 0);
    EXPECT_EQ(files.Read("/proc/self/comm"), "mark-two\n");
    EXPECT_EQ(files.HeldCount(), 1u);
    ::prctl(PR_SET_NAME, name);
  }
  {
    SCOPED_TRACE("a process gone: its kept descriptor let go, its name no longer read");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::pause();
      ::_exit(0);
    }
    const std::string stat = "/proc/" + std::to_string(child) + "/stat";
    EXPECT_TRUE(files.Read(stat).has_value());
    EXPECT_EQ(files.HeldCount(), 2u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(files.Read(stat).has_value());
    EXPECT_EQ(files.HeldCount(), 1u);
  }
  {
    SCOPED_TRACE("a plain file replaced under its name is read as the new one");
    FakeSystem sys;
    const fs::path file = sys.Root() / "attr";
    Write(file, "one");
    EXPECT_EQ(files.Read(file), "one\n");
    fs::remove(file);
    Write(file, "two");
    EXPECT_EQ(files.Read(file), "two\n");
    EXPECT_EQ(files.HeldCount(), 1u);
  }
}

}  // namespace
}  // namespace sw::platform::linuxos
