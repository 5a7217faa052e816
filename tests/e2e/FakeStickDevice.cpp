// Starting and stopping sw_fakestick, the loop device over its file, and the volume on it.
#include "FakeStickDevice.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr int kStartPolls = 250;  // 5 s for the daemon to mount
constexpr const char* kLockFile = "/tmp/sizewarden-loop-tests.lock";

bool Mounted(const fs::path& dir) {
  for (const auto& m : platform::linuxos::ReadMountInfo("/proc/self/mountinfo")) {
    if (m.target == dir.string()) return true;
  }
  return false;
}

// The child's exit, waited for at most timeout; false while it still runs.
bool Reap(pid_t pid, std::chrono::milliseconds timeout) {
  for (auto waited = std::chrono::milliseconds(0); waited <= timeout; waited += kPoll) {
    int status;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return true;
    std::this_thread::sleep_for(kPoll);
  }
  return false;
}

std::string Slurp(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

bool LoopTestLock::Acquire() {
  fd_.reset(::open(kLockFile, O_CREAT | O_RDWR | O_CLOEXEC, 0600));
  return fd_.valid() && ::flock(fd_.get(), LOCK_EX) == 0;
}

bool FakeStickDevice::CanMake(std::string& whyNot) {
  if (::geteuid() != 0) {
    whyNot = "FUSE mounts and loop devices need root";
    return false;
  }
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    whyNot = "/dev/fuse is missing";
    return false;
  }
  if (::access("/dev/loop-control", R_OK | W_OK) != 0) {
    whyNot = "loop devices are missing (/dev/loop-control)";
    return false;
  }
  for (const char* tool : {"losetup", "fusermount3", "mount", "umount"}) {
    if (!Run(std::string("command -v ") + tool)) {
      whyNot = std::string(tool) + " is not installed";
      return false;
    }
  }
  return true;
}

std::unique_ptr<FakeStickDevice> FakeStickDevice::Create(const std::vector<std::string>& options,
                                                         std::string& whyNot) {
  if (!CanMake(whyNot)) return nullptr;
  std::unique_ptr<FakeStickDevice> stick(new FakeStickDevice());
  std::string pattern = (fs::temp_directory_path() / "sw-fake-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    whyNot = "no temporary folder";
    return nullptr;
  }
  stick->dir_ = pattern;
  stick->fuseDir_ = stick->dir_ / "fuse";
  stick->stickFile_ = stick->fuseDir_ / "stick";
  stick->volumeDir_ = stick->dir_ / "volume mnt";  // a blank in it, as users' folders have
  fs::create_directory(stick->fuseDir_);
  fs::create_directory(stick->volumeDir_);

  std::vector<std::string> args = {SW_FAKESTICK_BINARY, stick->fuseDir_.string(), "-f",
                                   "-o", "max_threads=8", "--backing-dir=" + stick->dir_.string()};
  // --sector-size=N is the loop device's (a 4Kn stick: 4096), not the fake's.
  std::string sectorOption;
  const std::string kSectorSize = "--sector-size=";
  for (const std::string& o : options) {
    if (o.rfind(kSectorSize, 0) == 0) {
      sectorOption = " --sector-size " + o.substr(kSectorSize.size());
    } else {
      args.push_back(o);
    }
  }
  std::string log = (stick->dir_ / "fakestick.log").string();
  pid_t pid = ::fork();
  if (pid == 0) {
    int out = ::open(log.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pid < 0) {
    whyNot = "cannot start sw_fakestick";
    return nullptr;
  }
  stick->daemon_ = pid;
  struct stat st {};
  for (int i = 0; i < kStartPolls && !(stick->FuseMounted() && ::stat(stick->stickFile_.c_str(), &st) == 0); ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
      stick->daemon_ = -1;
      whyNot = "sw_fakestick ended: " + Slurp(log);
      return nullptr;
    }
    std::this_thread::sleep_for(kPoll);
  }
  if (::stat(stick->stickFile_.c_str(), &st) != 0) {
    whyNot = "sw_fakestick did not mount: " + Slurp(log);
    return nullptr;
  }
  stick->bytes_ = static_cast<std::uint64_t>(st.st_size);
  // Direct I/O, so that the loop device keeps no page cache of its own between the program
  // under test and the fake; the fake's files bypass the cache in any case.
  std::string file = Quote(stick->stickFile_.string());
  if (!Run("losetup --find --show --direct-io=on" + sectorOption + " " + file, &stick->disk_) ||
      stick->disk_.empty()) {
    stick->disk_.clear();
    if (!Run("losetup --find --show" + sectorOption + " " + file, &stick->disk_) || stick->disk_.empty()) {
      stick->disk_.clear();
      whyNot = "losetup could not attach a loop device";
      return nullptr;
    }
  }
  return stick;
}

bool FakeStickDevice::FuseMounted() const { return Mounted(fuseDir_); }

bool FakeStickDevice::VolumeMounted() const { return Mounted(volumeDir_); }

bool FakeStickDevice::Attached() const {
  std::string out;
  return !disk_.empty() && Run("losetup -j " + Quote(stickFile_.string()), &out) &&
         out.rfind(disk_ + ":", 0) == 0;
}

bool FakeStickDevice::Unplug() {
  std::ofstream control(fuseDir_ / "control");
  control << "unplug\n";
  control.flush();
  return control.good() && Count().unplugged;
}

bool FakeStickDevice::Detach() {
  if (!Attached()) return false;
  DropPartitions();
  return Run("losetup -d " + disk_);
}

void FakeStickDevice::DropPartitions() const {
  // Partitions told to the kernel one by one (as partx and the fix do where the kernel reads no
  // table itself) outlive a loop device without partition scanning: the next test given this
  // number would find a partition of a disk that is long gone.
  if (fs::exists("/sys/block/" + fs::path(disk_).filename().string() + "/" +
                 fs::path(disk_).filename().string() + "p1")) {
    Run("partx -d " + disk_);
  }
}

FakeStickDevice::Counters FakeStickDevice::Count() const {
  Counters c;
  std::string status = Slurp(fuseDir_ / "control");
  std::istringstream in(status);
  std::string word;
  in >> word;
  c.unplugged = word == "unplugged";
  while (in >> word) {
    std::size_t eq = word.find('=');
    if (eq == std::string::npos) continue;
    std::string key = word.substr(0, eq);
    std::uint64_t value = std::stoull(word.substr(eq + 1));
    if (key == "read_requests") c.readRequests = value;
    if (key == "flaky_failures") c.flakyFailures = value;
    if (key == "write_requests") c.writeRequests = value;
    if (key == "sectors_read") c.sectorsRead = value;
    if (key == "sectors_written") c.sectorsWritten = value;
    if (key == "flush_requests") c.flushRequests = value;
  }
  return c;
}

bool FakeStickDevice::MakeExt4AndMount(const std::string& extraMountOptions) {
  if (!Run("command -v mkfs.ext4")) return false;
  // No lazy initialisation: the file system is complete before anything is measured.
  if (!Run("mkfs.ext4 -q -F -m 0 -E lazy_itable_init=0,lazy_journal_init=0 -L SWFAKE " + disk_)) return false;
  std::string options = extraMountOptions.empty() ? "" : " -o " + extraMountOptions;
  return Run("mount" + options + " " + disk_ + " " + Quote(volumeDir_.string())) && VolumeMounted();
}

FakeStickDevice::~FakeStickDevice() {
  for (int i = 0; i < 20 && VolumeMounted(); ++i) {
    Run("umount " + Quote(volumeDir_.string()));
    if (VolumeMounted()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (VolumeMounted()) Run("umount -l " + Quote(volumeDir_.string()));
  // Only the device that still serves our file: a number given back may be someone else's now.
  if (Attached()) {
    DropPartitions();
    Run("losetup -d " + disk_);
  }
  if (FuseMounted()) {
    Run("fusermount3 -u " + Quote(fuseDir_.string()));
    if (FuseMounted()) Run("fusermount3 -u -z " + Quote(fuseDir_.string()));
  }
  if (daemon_ > 0) {
    if (!Reap(daemon_, std::chrono::milliseconds(2000))) {
      ::kill(daemon_, SIGTERM);
      if (!Reap(daemon_, std::chrono::milliseconds(2000))) {
        ::kill(daemon_, SIGKILL);
        Reap(daemon_, std::chrono::milliseconds(2000));
      }
    }
  }
  std::error_code ec;
  if (!dir_.empty() && !FuseMounted()) fs::remove_all(dir_, ec);
}

bool OnlyTheseLoopDevices(const std::vector<const FakeStickDevice*>& sticks, const std::vector<fs::path>& ourFolders,
                          std::string& foreign) {
  std::string list;
  if (!Run("losetup --list --noheadings --output NAME,BACK-FILE", &list)) return list.empty();
  std::istringstream lines(list);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    bool ours = false;
    for (const FakeStickDevice* s : sticks) {
      if (line.rfind(s->Disk() + " ", 0) == 0 && line.find(s->StickFile().string()) != std::string::npos) ours = true;
    }
    for (const fs::path& folder : ourFolders) {
      if (line.find(" " + folder.string() + "/") != std::string::npos) ours = true;
    }
    if (!ours) {
      foreign = line;
      return false;
    }
  }
  return true;
}

}  // namespace sw::e2e
