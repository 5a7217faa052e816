// FUSE mounts that name no device, resolved through a fake /proc tree: the serving process is
// told by its /dev/fuse and its arguments, and its block device becomes the mount's source.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/FuseMounts.h"

namespace sw::platform::linuxos {
namespace {

namespace fs = std::filesystem;

struct Process {
  int pid;
  std::vector<std::string> args;
  std::vector<std::string> fds;  // link targets; "DEV/x" is a node in the fake /dev
  std::string cwd = "/";
  // Its arguments fail to read, as those of a process that ends while they are read do.
  bool argsFail = false;
};

class FuseMounts : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("sw-fuse-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "proc");
    fs::create_directories(root / "dev");
    dev = (root / "dev").string();
  }
  void TearDown() override { fs::remove_all(root); }

  std::string Dev(const std::string& text) const {
    return text.rfind("DEV/", 0) == 0 ? dev + text.substr(3) : text;
  }

  void Add(const Process& p) {
    const fs::path proc = root / "proc" / std::to_string(p.pid);
    fs::create_directories(proc / "fd");
    if (p.argsFail) {
      fs::create_directories(proc / "cmdline");  // opens, and every read of it fails
    } else {
      std::ofstream cmdline(proc / "cmdline", std::ios::binary);
      for (const std::string& a : p.args) cmdline << Dev(a) << '\0';
    }
    for (std::size_t i = 0; i < p.fds.size(); ++i) {
      fs::create_symlink(Dev(p.fds[i]), proc / "fd" / std::to_string(i + 3));
    }
    fs::create_symlink(p.cwd, proc / "cwd");
  }

  fs::path root;
  std::string dev;
};

TEST_F(FuseMounts, TheServingProcessNamesTheDevice) {
  struct Row {
    const char* what;
    std::vector<Process> processes;
    MountEntry mount;
    std::string source;  // expected afterwards ("DEV/..." in the fake /dev)
  };
  const MountEntry fusefat{"0:40", "fusefat", "/media/stick", "fuse.fusefat", "/"};
  const Row rows[] = {
      {"fusefat with an absolute mount point",
       {{100, {"fusefat", "-o", "rw+", "DEV/loop1", "/media/stick"}, {"/dev/null", "DEV/loop1", "/dev/fuse"}}},
       fusefat, "DEV/loop1"},
      {"a relative mount point, from the process's folder",
       {{101, {"fusefat", "DEV/sdc1", "stick"}, {"DEV/sdc1", "/dev/fuse"}, "/media"}},
       fusefat, "DEV/sdc1"},
      {"a process with the device but no /dev/fuse is no server",
       {{102, {"dd", "if=DEV/loop1", "/media/stick"}, {"DEV/loop1"}}}, fusefat, "fusefat"},
      {"a server of another mount point",
       {{103, {"fusefat", "DEV/loop2", "/media/other"}, {"DEV/loop2", "/dev/fuse"}}}, fusefat,
       "fusefat"},
      {"two servers, each its own mount",
       {{104, {"fusefat", "DEV/loop2", "/media/other"}, {"DEV/loop2", "/dev/fuse"}},
        {105, {"fusefat", "DEV/loop3", "/media/stick/"}, {"/dev/fuse", "DEV/loop3"}}},
       fusefat, "DEV/loop3"},
      {"a process whose arguments fail to read is passed over",
       {{108, {}, {"/dev/fuse", "DEV/loop6"}, "/", true},
        {109, {"fusefat", "DEV/loop7", "/media/stick"}, {"DEV/loop7", "/dev/fuse"}}},
       fusefat, "DEV/loop7"},
      {"fuseblk names its device already",
       {{106, {"ntfs-3g", "DEV/loop4", "/media/stick"}, {"DEV/loop4", "/dev/fuse"}}},
       {"7:5", "/dev/sdb1", "/media/stick", "fuseblk", "/"}, "/dev/sdb1"},
      {"not FUSE at all",
       {{107, {"fusefat", "DEV/loop5", "/media/stick"}, {"DEV/loop5", "/dev/fuse"}}},
       {"0:41", "tmpfs", "/media/stick", "tmpfs", "/"}, "tmpfs"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(root / "proc");
    fs::create_directories(root / "proc");
    for (const Process& p : row.processes) Add(p);
    std::vector<MountEntry> mounts = {row.mount};
    ResolveFuseSources(mounts, root / "proc", dev);
    EXPECT_EQ(mounts[0].source, Dev(row.source));
    EXPECT_EQ(mounts[0].target, row.mount.target);
  }
}

}  // namespace
}  // namespace sw::platform::linuxos
