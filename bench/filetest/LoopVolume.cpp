// Setting up and taking down the loop-device file system of the benchmark.
#include "filetest/LoopVolume.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace sw::bench {

namespace {

// Runs a command quietly; true when it exits with 0.
bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The first line a command prints, or empty.
std::string FirstLine(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 256> buf{};
    if (std::fgets(buf.data(), static_cast<int>(buf.size()), pipe)) out = buf.data();
    ::pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

LoopVolume::LoopVolume(const std::filesystem::path& folder, std::uint64_t bytes)
    : image_(folder / "volume.img"), mountPoint_(folder / "mnt") {
  const int fd = ::open(image_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = "cannot create " + image_.string();
    return;
  }
  const bool sized = ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;  // sparse
  ::close(fd);
  if (!sized) {
    error_ = "cannot size " + image_.string();
    return;
  }
  device_ = FirstLine("losetup --find --show '" + image_.string() + "' 2>/dev/null");
  if (device_.rfind("/dev/loop", 0) != 0) {
    device_.clear();
    error_ = "losetup failed (no loop devices here?)";
    return;
  }
  if (!Run("mkfs.ext4 -q -F '" + device_ + "'")) {
    error_ = "mkfs.ext4 failed on " + device_;
    return;
  }
  std::filesystem::create_directory(mountPoint_);
  if (!Run("mount '" + device_ + "' '" + mountPoint_.string() + "'")) {
    error_ = "mount of " + device_ + " failed";
    return;
  }
  mounted_ = true;
}

LoopVolume::~LoopVolume() {
  if (mounted_) Run("umount '" + mountPoint_.string() + "'");
  if (!device_.empty()) Run("losetup -d '" + device_ + "'");
  std::error_code ignored;
  std::filesystem::remove(mountPoint_, ignored);
  std::filesystem::remove(image_, ignored);
}

}  // namespace sw::bench
