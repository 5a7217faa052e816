// The new volume of a fixed stick, mounted as a user's desktop would mount it after a replug:
// FAT32 through fusefat and exFAT through exfat-fuse (a kernel may have neither vfat nor exfat),
// ext4 by the kernel. Unmounted again however the test ends.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sw::e2e {

class VolumeMount {
 public:
  // The program that mounts fileSystem ("fat32", "exfat", "ext4") with its Debian package, when
  // this machine lacks it; empty when it is there.
  static std::string Missing(const std::string& fileSystem);

  // Mounts `device` (a partition, "/dev/loop3p1") read-write in a folder of its own.
  VolumeMount(const std::string& device, const std::string& fileSystem);
  ~VolumeMount();
  VolumeMount(const VolumeMount&) = delete;
  VolumeMount& operator=(const VolumeMount&) = delete;

  bool Mounted() const { return mounted_; }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  bool mounted_ = false;
  std::vector<pid_t> daemons_;  // the FUSE daemon serving the mount; none for the kernel's
};

}  // namespace sw::e2e
