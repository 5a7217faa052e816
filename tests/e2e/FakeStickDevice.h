// One counterfeit stick as a real block device: sw_fakestick mounted in a temporary folder, a
// loop device over its "stick" file, and on request an ext4 file system on the whole disk,
// mounted. The destructor undoes all of it, in reverse, also when a test fails half-way.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/UniqueFd.h"

namespace sw::e2e {

// Held by a test for as long as its loop devices exist. The same lock file as the Linux
// provider's loop tests: drive letters and numbers follow device order, so no other test's
// stick may come or go under a running one.
class LoopTestLock {
 public:
  bool Acquire();  // blocks until no other test holds it
 private:
  platform::linuxos::UniqueFd fd_;
};

class FakeStickDevice {
 public:
  // False with the reason when this machine cannot make sticks (not root, no FUSE, no loop).
  static bool CanMake(std::string& whyNot);
  // options: the fake's own command line, e.g. {"--size=1Gi", "--real=256Mi", "--kind=limbo"}.
  // Null with the reason in whyNot when this machine cannot make one.
  static std::unique_ptr<FakeStickDevice> Create(const std::vector<std::string>& options,
                                                 std::string& whyNot);
  ~FakeStickDevice();
  FakeStickDevice(const FakeStickDevice&) = delete;
  FakeStickDevice& operator=(const FakeStickDevice&) = delete;

  const std::string& Disk() const { return disk_; }  // "/dev/loop3"
  const std::filesystem::path& StickFile() const { return stickFile_; }
  const std::filesystem::path& Folder() const { return dir_; }  // everything of the stick is in here
  std::uint64_t Bytes() const { return bytes_; }

  // From now on every transfer fails, as if the stick were pulled out.
  bool Unplug();
  // Gives the loop device back (the kernel lets it go once its last user closes it).
  bool Detach();
  bool Attached() const;  // a loop device still serves our file

  struct Counters {
    bool unplugged = false;
    std::uint64_t readRequests = 0, writeRequests = 0, sectorsRead = 0, sectorsWritten = 0;
    std::uint64_t flushRequests = 0;  // cache flushes (fsync) that reached the stick
    std::uint64_t flakyFailures = 0;  // requests that --fail-every failed
  };
  Counters Count() const;

  // ext4 on the whole disk, mounted at VolumeDir().
  bool MakeExt4AndMount(const std::string& extraMountOptions = "");
  const std::filesystem::path& VolumeDir() const { return volumeDir_; }
  bool VolumeMounted() const;

 private:
  FakeStickDevice() = default;
  bool FuseMounted() const;
  void DropPartitions() const;

  std::filesystem::path dir_, fuseDir_, stickFile_, volumeDir_;
  std::string disk_;
  std::uint64_t bytes_ = 0;
  pid_t daemon_ = -1;
};

// True when every loop device on the machine serves one of these sticks or an image in one of
// ourFolders (the test's bystanders and churn): a destructive run is then safe even if the
// program under test picked the wrong disk, for it could only hit ours.
bool OnlyTheseLoopDevices(const std::vector<const FakeStickDevice*>& sticks,
                          const std::vector<std::filesystem::path>& ourFolders, std::string& foreign);

}  // namespace sw::e2e
