// Throttling this process's transfers to one block device.
#include "filetest/IoThrottle.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

namespace sw::bench {

namespace {

const std::filesystem::path kBlkio = "/sys/fs/cgroup/blkio";

bool Put(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

// The blkio group this process is in now, as a folder.
std::filesystem::path CurrentGroup() {
  std::ifstream in("/proc/self/cgroup");
  for (std::string line; std::getline(in, line);) {
    const auto first = line.find(':');
    const auto second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    if (line.substr(first + 1, second - first - 1) == "blkio") {
      return kBlkio / std::filesystem::path(line.substr(second + 1)).relative_path();
    }
  }
  return kBlkio;
}

}  // namespace

IoThrottle::IoThrottle(const std::string& device, std::uint64_t writeBytesPerSecond,
                       std::uint64_t readBytesPerSecond)
    : home_(CurrentGroup()), group_(home_ / ("sw-bench-" + std::to_string(::getpid()))) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) {
    error_ = device + " is no block device";
    return;
  }
  if (!std::filesystem::exists(home_ / "blkio.throttle.write_bps_device")) {
    error_ = "no cgroup v1 blkio throttle here";
    return;
  }
  std::error_code ec;
  if (!std::filesystem::create_directory(group_, ec)) {
    error_ = "cannot create " + group_.string();
    return;
  }
  created_ = true;
  const std::string dev =
      std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)) + " ";
  if (!Put(group_ / "blkio.throttle.write_bps_device", dev + std::to_string(writeBytesPerSecond)) ||
      !Put(group_ / "blkio.throttle.read_bps_device", dev + std::to_string(readBytesPerSecond))) {
    error_ = "cannot set the throttle of " + group_.string();
    return;
  }
  if (!Put(group_ / "cgroup.procs", std::to_string(::getpid()))) {
    error_ = "cannot join " + group_.string();
    return;
  }
  joined_ = true;
}

IoThrottle::~IoThrottle() {
  if (joined_) Put(home_ / "cgroup.procs", std::to_string(::getpid()));
  std::error_code ignored;
  if (created_) std::filesystem::remove(group_, ignored);
}

}  // namespace sw::bench
