// The churn thread: losetup, parted, mkfs.ext4 and mount on small sparse images of its own.
#include "DiskChurn.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "LoopImages.h"
#include "LoopStick.h"

namespace sw::e2e {

namespace fs = std::filesystem;
using platform::linuxos::testing::Quote;
using platform::linuxos::testing::Run;

namespace {

constexpr std::uint64_t kMi = 1ull << 20;
constexpr std::size_t kReserve = 0, kMountDisk = 1;
constexpr std::size_t kLogLines = 40;

struct ImagePlan {
  const char* name;
  std::uint64_t bytes;
  bool partitioned;
};
// Small, so that attaching costs nothing; sizes differ so that a disk taken for another shows.
constexpr ImagePlan kPlan[] = {
    {"reserve.img", 4 * kMi, false},  {"mounted.img", 8 * kMi, true}, {"blank-a.img", 4 * kMi, false},
    {"parted-b.img", 6 * kMi, true},  {"blank-c.img", 5 * kMi, false}, {"parted-d.img", 7 * kMi, true},
};

}  // namespace

std::unique_ptr<DiskChurn> DiskChurn::Start(std::string& whyNot) {
  if (::geteuid() != 0) {
    whyNot = "loop devices need root";
    return nullptr;
  }
  for (const char* tool : {"losetup", "parted", "partx", "mkfs.ext4", "mount", "umount"}) {
    if (!Run(std::string("command -v ") + tool)) {
      whyNot = std::string(tool) + " is not installed";
      return nullptr;
    }
  }
  std::unique_ptr<DiskChurn> churn(new DiskChurn());
  if (!churn->Prepare(whyNot)) return nullptr;  // the destructor undoes what was made
  churn->thread_ = std::thread([c = churn.get()] { c->Loop(); });
  return churn;
}

bool DiskChurn::Prepare(std::string& whyNot) {
  std::string pattern = (fs::temp_directory_path() / "sw-churn-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    whyNot = "no temporary folder";
    return false;
  }
  dir_ = pattern;
  mountDir_ = dir_ / "churn mnt";
  fs::create_directory(mountDir_);
  const char* replay = std::getenv("SW_E2E_CHURN_SEED");
  seed_ = replay ? static_cast<unsigned>(std::strtoul(replay, nullptr, 10)) : std::random_device{}();
  random_.seed(seed_);
  for (const ImagePlan& plan : kPlan) {
    Image image{dir_ / plan.name, plan.partitioned, {}};
    if (!MakeImage(image.file, plan.bytes, plan.partitioned)) {
      whyNot = "cannot make " + image.file.string();
      return false;
    }
    pool_.push_back(image);
  }
  // The reserve first: it takes the lowest free number, below the stick the test makes next.
  if (!Attach(pool_[kReserve])) {
    whyNot = "losetup could not attach the churn's reserve device";
    return false;
  }
  Image& disk = pool_[kMountDisk];
  if (!Attach(disk) ||
      !Run("mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 " + disk.device + "p1")) {
    whyNot = "cannot make the churn's file system";
    return false;
  }
  events_ = 0;  // only what happens while the test runs counts
  return true;
}

DiskChurn::~DiskChurn() { Stop(); }

bool DiskChurn::WaitForEvent(std::chrono::milliseconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (events_.load() == 0 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return events_.load() > 0;
}

void DiskChurn::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  Undo();
}

void DiskChurn::Loop() {
  std::uniform_int_distribution<int> pause(50, 200);
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (wake_.wait_for(lock, std::chrono::milliseconds(pause(random_)), [this] { return stop_; })) break;
    lock.unlock();
    Step();
    lock.lock();
  }
}

void DiskChurn::Step() {
  // One change a turn: the reserve's low number given back or taken again, the file system
  // mounted or unmounted (its disk attached or detached around it), or another disk in or out.
  std::uniform_int_distribution<std::size_t> pick(0, pool_.size() - 1);
  std::size_t which = pick(random_);
  if (which == kMountDisk) {
    if (ToggleMount()) ++events_;
    return;
  }
  Image& image = pool_[which];
  if (image.device.empty() ? Attach(image) : Detach(image)) ++events_;
}

bool DiskChurn::Attach(Image& image) {
  std::string device;
  bool done = AttachImage(image.file, image.partitioned, device);
  image.device = device;  // also when its partition did not show: the detach takes it back
  if (device.rfind("/dev/loop", 0) == 0) {
    const int number = std::stoi(device.substr(9));
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(numbers_.begin(), numbers_.end(), number) == numbers_.end()) numbers_.push_back(number);
  }
  Note((done ? "attached " : "attach failed: ") + device + " (" + image.file.filename().string() + ")");
  return done;
}

bool DiskChurn::Detach(Image& image) {
  // Only while it still serves our file: a number given back may be someone else's by now.
  bool ours = false;
  for (const std::string& d : DevicesServing(image.file)) ours = ours || d == image.device;
  std::string device = std::exchange(image.device, {});
  if (!ours) return false;
  bool done = Run("losetup -d " + device);
  Note((done ? "detached " : "detach failed: ") + device);
  return done;
}

bool DiskChurn::ToggleMount() {
  Image& disk = pool_[kMountDisk];
  if (Mounted()) {
    bool done = Run("umount " + Quote(mountDir_.string()));
    Note(done ? "unmounted " + disk.device + "p1" : "unmount failed (busy?)");
    return done;
  }
  if (disk.device.empty()) return Attach(disk);
  // Attached and not mounted: mount it mostly, and now and then let the disk go as well.
  if (std::uniform_int_distribution<int>(0, 3)(random_) == 0) return Detach(disk);
  const std::string partition = disk.device + "p1";
  bool done = fs::exists(partition) && Run("mount " + partition + " " + Quote(mountDir_.string()));
  Note(done ? "mounted " + partition : "mount failed: " + partition);
  return done;
}

bool DiskChurn::Mounted() const { return IsMountPoint(mountDir_); }

void DiskChurn::Note(const std::string& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.push_back(event);
  if (log_.size() > kLogLines) log_.pop_front();
}

std::string DiskChurn::Describe() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::ostringstream out;
  out << "disk churn (seed " << seed_ << ", " << events_.load() << " events); latest:";
  for (const std::string& line : log_) out << "\n  " << line;
  return out.str();
}

std::vector<int> DiskChurn::NumbersUsed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return numbers_;
}

void DiskChurn::Undo() {
  if (undone_ || dir_.empty()) return;
  undone_ = true;
  const bool unmounted = UnmountFolder(mountDir_);
  // Every device that serves one of our images, also one a detach left to the kernel's autoclear.
  for (Image& image : pool_) {
    DetachAll(image.file);
    image.device.clear();
  }
  std::error_code ec;
  if (unmounted) fs::remove_all(dir_, ec);
}

}  // namespace sw::e2e
