// Mounting and unmounting a fixed stick's new volume with the system's own tools.
#include "VolumeMount.h"

#include <unistd.h>

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "LoopImages.h"
#include "LoopStick.h"

namespace sw::e2e {

namespace {

using platform::linuxos::testing::Quote;
using platform::linuxos::testing::Run;

struct Mounter {
  const char* fileSystem;
  const char* program;
  const char* package;
  const char* command;  // the device and the folder follow
};

constexpr Mounter kMounters[] = {
    {"fat32", "fusefat", "fusefat", "fusefat -o rw+"},
    {"exfat", "mount.exfat-fuse", "exfat-fuse", "mount.exfat-fuse"},
    {"ext4", "mount", "mount", "mount -t ext4"},
};

const Mounter* MounterOf(const std::string& fileSystem) {
  for (const Mounter& m : kMounters) {
    if (fileSystem == m.fileSystem) return &m;
  }
  return nullptr;
}

// The processes whose command line names dir: the FUSE daemon that serves a mount there.
std::vector<pid_t> ProcessesNaming(const std::filesystem::path& dir) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t start = 0;
    for (std::size_t end; (end = line.find('\0', start)) != std::string::npos; start = end + 1) {
      if (line.compare(start, end - start, dir.string()) == 0) {
        found.push_back(static_cast<pid_t>(std::stol(name)));
        break;
      }
    }
  }
  return found;
}

// Gone, or a zombie no one reaps: either way its files are closed.
bool Ended(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return true;
  const auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

}  // namespace

std::string VolumeMount::Missing(const std::string& fileSystem) {
  const Mounter* m = MounterOf(fileSystem);
  if (!m) return "nothing here mounts " + fileSystem;
  if (Run(std::string("command -v ") + m->program)) return {};
  return std::string(m->program) + " (Debian package " + m->package + ")";
}

VolumeMount::VolumeMount(const std::string& device, const std::string& fileSystem) {
  // One folder per mount, also when a test mounts twice in one process.
  static std::atomic<int> made{0};
  dir_ = std::filesystem::temp_directory_path() /
         ("sw-volume-" + std::to_string(::getpid()) + "-" + std::to_string(made++));
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  const Mounter* m = MounterOf(fileSystem);
  if (ec || !m) return;
  mounted_ = Run(std::string(m->command) + " " + Quote(device) + " " + Quote(dir_.string())) && IsMountPoint(dir_);
  daemons_ = ProcessesNaming(dir_);
}

VolumeMount::~VolumeMount() {
  UnmountFolder(dir_);
  // A FUSE daemon keeps the partition open for a moment after the unmount; a stick given back
  // before it lets go keeps its loop device, and that device's partition, for the next test.
  for (pid_t pid : daemons_) {
    for (int i = 0; i < 200 && !Ended(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::error_code ignored;
  // Only the empty folder: were the volume still mounted there, its files would stay.
  std::filesystem::remove(dir_, ignored);
}

}  // namespace sw::e2e
