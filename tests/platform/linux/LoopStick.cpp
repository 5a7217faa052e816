// Making and unmaking a loop-device stick with losetup, parted, mkfs.ext4 and mount.
#include "LoopStick.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "platform/linux/MountTable.h"

namespace sw::platform::linuxos::testing {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool Run(const std::string& command, std::string* out) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
  int status = ::pclose(pipe);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (out) *out = text;
  return status == 0;
}

UniqueFd TakeLoopTestLock() {
  UniqueFd lock(::open("/tmp/sizewarden-loop-tests.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0600));
  if (lock.valid() && ::flock(lock.get(), LOCK_EX) != 0) lock.reset();
  return lock;
}

std::unique_ptr<LoopStick> LoopStick::Create(std::string& whyNot, Layout layout, std::uint64_t bytes, bool heldLock) {
  if (::geteuid() != 0) {
    whyNot = "loop devices need root";
    return nullptr;
  }
  for (const char* tool : {"losetup", "parted", "mkfs.ext4", "mount", "umount"}) {
    if (!Run(std::string("command -v ") + tool)) {
      whyNot = std::string(tool) + " is not installed";
      return nullptr;
    }
  }
  std::unique_ptr<LoopStick> stick(new LoopStick());
  if (!heldLock) {
    stick->lock_ = TakeLoopTestLock();
    if (!stick->lock_.valid()) {
      whyNot = "cannot take the loop-test lock file";
      return nullptr;
    }
  }
  std::string pattern = (fs::temp_directory_path() / "sw-loop-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    whyNot = "no temporary folder";
    return nullptr;
  }
  stick->dir_ = pattern;
  stick->image_ = stick->dir_ / "stick.img";
  stick->mountDir_ = stick->dir_ / "stick mnt";
  stick->bytes_ = bytes;
  fs::create_directory(stick->mountDir_);
  { std::ofstream(stick->image_).close(); }
  fs::resize_file(stick->image_, bytes);
  if (!Run("losetup --find --show --partscan " + Quote(stick->image_.string()), &stick->disk_) ||
      stick->disk_.empty()) {
    stick->disk_.clear();
    whyNot = "losetup could not attach a loop device";
    return nullptr;
  }
  if (layout == Layout::Blank) return stick;
  stick->partition_ = stick->disk_ + "p1";
  if (!Run("parted -s " + stick->disk_ + " mklabel msdos mkpart primary ext4 1MiB 100%")) {
    whyNot = "parted failed on " + stick->disk_;
    return nullptr;
  }
  // The kernel adds the partition at once; its node in /dev may follow a moment later.
  for (int i = 0; i < 100 && !fs::exists(stick->partition_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!Run(std::string("mkfs.ext4 -q -F -m 0 -L ") + kLabel + " " + stick->partition_)) {
    whyNot = "mkfs.ext4 failed on " + stick->partition_;
    return nullptr;
  }
  if (!stick->Mount()) {
    whyNot = "mount failed for " + stick->partition_;
    return nullptr;
  }
  return stick;
}

bool LoopStick::Mount() {
  return Run("mount " + partition_ + " " + Quote(mountDir_.string())) && IsMounted();
}

bool LoopStick::Unmount() {
  bool ok = true;
  while (IsMounted() && ok) ok = Run("umount " + Quote(mountDir_.string()));
  return !IsMounted();
}

bool LoopStick::IsMounted() const {
  // The folder is ours alone, so a mount on it counts even when the partition node is gone.
  // The node name is checked only while it exists: once given back, another stick may reuse it.
  struct stat st {};
  bool nodeExists = !partition_.empty() && ::stat(partition_.c_str(), &st) == 0;
  for (const MountEntry& m : ReadMountInfo("/proc/self/mountinfo")) {
    if (m.target == mountDir_.string() || (nodeExists && m.source == partition_)) return true;
  }
  return false;
}

bool LoopStick::IsAttached() const {
  std::string out;
  return !disk_.empty() && Run("losetup -j " + Quote(image_.string()), &out) && !out.empty();
}

LoopStick::~LoopStick() {
  for (int i = 0; i < 20 && IsMounted(); ++i) {
    Run("umount " + Quote(mountDir_.string()));
    if (IsMounted()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Still busy (a test left a file open): detach lazily rather than leave a mount behind.
  if (IsMounted()) Run("umount -l " + Quote(mountDir_.string()));
  // Only the device that still holds our image: a number given back may already be someone
  // else's loop device.
  std::string attached;
  if (!disk_.empty() && Run("losetup -j " + Quote(image_.string()), &attached) &&
      attached.rfind(disk_ + ":", 0) == 0) {
    Run("losetup -d " + disk_);
  }
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

}  // namespace sw::platform::linuxos::testing
