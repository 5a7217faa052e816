// A stick made of a sparse file: attached as a loop device, partitioned (msdos, one ext4
// partition), formatted and mounted in a temporary folder. Everything it created is undone in
// its destructor, also when a test fails half-way. Only one stick exists at a time on the
// machine (a lock file across processes): drive letters follow device order, so a second stick
// coming or going would move the letters under a running test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos::testing {

class LoopStick {
 public:
  static constexpr std::uint64_t kDefaultBytes = 460ull * 1024 * 1024;
  static constexpr const char* kLabel = "SWSTICK";

  enum class Layout { Ext4Partition, Blank };  // Blank: no partition table, no file system

  // Null with the reason in whyNot when this machine cannot make one (not root, no loop
  // devices, a tool missing). heldLock: the loop-test lock the caller took already (it made
  // disks of its own before this stick), else the stick takes and holds it.
  static std::unique_ptr<LoopStick> Create(std::string& whyNot, Layout layout = Layout::Ext4Partition,
                                           std::uint64_t bytes = kDefaultBytes, bool heldLock = false);
  ~LoopStick();
  LoopStick(const LoopStick&) = delete;
  LoopStick& operator=(const LoopStick&) = delete;

  const std::string& Disk() const { return disk_; }            // "/dev/loop4"
  const std::string& Partition() const { return partition_; }  // "/dev/loop4p1"; Blank: empty
  const std::filesystem::path& Image() const { return image_; }
  const std::filesystem::path& MountDir() const { return mountDir_; }  // has a space in its name
  const std::filesystem::path& Folder() const { return dir_; }  // the image and the mount folder
  std::uint64_t Bytes() const { return bytes_; }

  bool Mount();
  bool Unmount();
  bool IsMounted() const;   // the partition or the mount folder appears in /proc/self/mountinfo
  bool IsAttached() const;  // losetup still lists the image

 private:
  LoopStick() = default;
  UniqueFd lock_;  // first member: released last, after everything else is undone
  std::filesystem::path dir_, image_, mountDir_;
  std::string disk_, partition_;
  std::uint64_t bytes_ = 0;
};

// The lock across processes that every test holds while its loop devices exist; invalid when
// it cannot be taken. Blocks while another test holds it.
UniqueFd TakeLoopTestLock();
// Runs a shell command quietly; true when it exits with 0. out receives its standard output.
bool Run(const std::string& command, std::string* out = nullptr);
// Quotes a path for the shell.
std::string Quote(const std::string& text);
// Skip, or fail where the build machine must be able to do it (CI runs as root).
#define SW_SKIP_OR_FAIL_WITHOUT_LOOP(why)                                                  \
  do {                                                                                     \
    const char* ci = std::getenv("CI");                                                    \
    if (ci && std::string(ci) == "true") FAIL() << "CI must run loop-device tests: " << (why); \
    GTEST_SKIP() << (why);                                                                 \
  } while (0)

}  // namespace sw::platform::linuxos::testing
