// A fake /sys/block tree, mountinfo file and /dev folder in a temporary directory, for the
// mapping rules of the Linux provider.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos::testing {

struct FakeDisk {
  std::string name{};       // "sdb"
  std::string majMin{};     // "8:16"
  std::uint64_t sectors = 0;
  std::string busPath{};    // under sys/devices: "pci0000:00/0000:00:14.0/usb2/2-1/host6" ...
  bool removable = false;
  std::string backingFile{};  // loop devices
  std::string mmcType{};
  std::string vendor{};
  std::string model{};
  std::vector<std::string> slaves{};
  std::uint64_t diskSeq = 0;  // 0: the kernel is too old to count disks
};

class FakeSystem {
 public:
  FakeSystem();
  ~FakeSystem();
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  void AddDisk(const FakeDisk& disk);
  // Unplugs a disk: its sysfs folder and link go, with the nodes of the disk and its partitions.
  void RemoveDisk(const std::string& name);
  void AddPartition(const std::string& disk, int number, const std::string& majMin,
                    std::uint64_t sectors, const std::string& name = "");
  // One line per mount: "majMin source target fstype" with the target escaped as the kernel does.
  void AddMount(const std::string& majMin, const std::string& source, const std::string& target,
                const std::string& fsType, const std::string& root = "/");
  // A folder inside the fixture to serve as a mount point.
  std::filesystem::path MakeFolder(const std::string& name);

  SystemPaths Paths() const;
  const std::filesystem::path& Root() const { return root_; }

 private:
  void WriteMountInfo() const;
  // proc/partitions as the kernel lists it: every disk and partition of the fake sysfs tree.
  void WritePartitionTable() const;
  std::filesystem::path root_;
  std::vector<std::string> mountLines_;
  int nextMountId_ = 20;
};

// The kernel's escaping of a mount point in mountinfo: space, tab, newline and backslash as
// three octal digits.
std::string EscapeMountPath(const std::string& path);

}  // namespace sw::platform::linuxos::testing
