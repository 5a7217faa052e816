// losetup, parted and partx on image files of our own.
#include "LoopImages.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "LoopStick.h"
#include "platform/linux/MountTable.h"

namespace sw::e2e {

namespace fs = std::filesystem;
using platform::linuxos::testing::Quote;
using platform::linuxos::testing::Run;

bool MakeImage(const fs::path& file, std::uint64_t bytes, bool partitioned) {
  { std::ofstream(file).close(); }
  std::error_code ec;
  fs::resize_file(file, bytes, ec);
  if (ec) return false;
  return !partitioned || Run("parted -s " + Quote(file.string()) + " mklabel msdos mkpart primary ext4 1MiB 100%");
}

bool WaitForNode(const std::string& node) {
  for (int i = 0; i < 100; ++i) {
    if (fs::exists(node)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool AttachImage(const fs::path& file, bool partitioned, std::string& device) {
  device.clear();
  std::string scan = partitioned ? "--partscan " : "";
  if (!Run("losetup --find --show " + scan + Quote(file.string()), &device) || device.empty()) {
    device.clear();
    return false;
  }
  if (!partitioned) return true;
  const std::string partition = device + "p1";
  for (int i = 0; i < 10 && !fs::exists(partition); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Some kernels (containers, minimal configs) read no partition table themselves: partx adds
  // the partitions it reads, as udisks would.
  if (!fs::exists(partition)) Run("partx -a " + device);
  return WaitForNode(partition);
}

std::vector<std::string> DevicesServing(const fs::path& file) {
  std::string out;
  std::vector<std::string> devices;
  if (!Run("losetup -j " + Quote(file.string()), &out)) return devices;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t colon = line.find(':');
    if (colon != std::string::npos && line.rfind("/dev/loop", 0) == 0) devices.push_back(line.substr(0, colon));
  }
  return devices;
}

void DetachAll(const fs::path& file) {
  for (const std::string& device : DevicesServing(file)) Run("losetup -d " + device);
}

bool IsMountPoint(const fs::path& dir) {
  for (const auto& m : platform::linuxos::ReadMountInfo("/proc/self/mountinfo")) {
    if (m.target == dir.string()) return true;
  }
  return false;
}

bool UnmountFolder(const fs::path& dir) {
  for (int i = 0; i < 20 && IsMountPoint(dir); ++i) {
    Run("umount " + Quote(dir.string()));
    if (IsMountPoint(dir)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (IsMountPoint(dir)) Run("umount -l " + Quote(dir.string()));
  return !IsMountPoint(dir);
}

}  // namespace sw::e2e
