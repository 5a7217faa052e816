// The bystander disks: a data disk and a disk with a mounted ext4 partition.
#include "Bystanders.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "LoopImages.h"
#include "LoopStick.h"

namespace sw::e2e {

namespace fs = std::filesystem;
using platform::linuxos::testing::Quote;
using platform::linuxos::testing::Run;

namespace {

constexpr std::uint64_t kMi = 1ull << 20;

std::string DeviceServing(const fs::path& image) {
  std::vector<std::string> devices = DevicesServing(image);
  return devices.size() == 1 ? devices.front() : std::string();
}

}  // namespace

std::uint64_t HashFile(const fs::path& file) {
  ::sync();
  std::ifstream in(file, std::ios::binary);
  if (!in) return 0;
  std::uint64_t hash = 14695981039346656037ull;
  std::vector<char> buffer(kMi);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash = (hash ^ static_cast<unsigned char>(buffer[static_cast<std::size_t>(i)])) * 1099511628211ull;
    }
  }
  return hash;
}

std::unique_ptr<Bystanders> Bystanders::Make(std::string& whyNot) {
  std::unique_ptr<Bystanders> b(new Bystanders());
  std::string pattern = (fs::temp_directory_path() / "sw-bystander-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    whyNot = "no temporary folder";
    return nullptr;
  }
  b->dir_ = pattern;
  b->mountDir_ = b->dir_ / "bystander mnt";
  fs::create_directory(b->mountDir_);

  // A disk full of data nobody may change: every byte differs from what a test writes.
  Disk data{b->dir_ / "data.img", {}, 0};
  {
    std::mt19937_64 bytes(0x5157u);
    std::ofstream out(data.image, std::ios::binary);
    for (std::uint64_t i = 0; i < 4 * kMi / 8; ++i) {
      std::uint64_t word = bytes();
      out.write(reinterpret_cast<const char*>(&word), sizeof word);
    }
  }
  if (!AttachImage(data.image, false, data.device)) {
    whyNot = "losetup could not attach the bystander data disk";
    return nullptr;
  }
  b->disks_.push_back(data);

  // A disk with a partition that stays mounted: no other run may unmount it or write it.
  Disk volume{b->dir_ / "volume.img", {}, 0};
  const bool attached = MakeImage(volume.image, 8 * kMi, true) && AttachImage(volume.image, true, volume.device);
  if (!volume.device.empty()) b->disks_.push_back(volume);
  if (!attached) {
    whyNot = "cannot attach the bystander volume disk";
    return nullptr;
  }
  const std::string partition = volume.device + "p1";
  if (!Run("mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 -L BYSTANDER " + partition) ||
      !Run("mount " + partition + " " + Quote(b->mountDir_.string())) || !b->Mounted()) {
    whyNot = "cannot mount the bystander volume";
    return nullptr;
  }
  { std::ofstream(b->mountDir_ / "keep.txt") << "a file of someone else's\n"; }
  for (Disk& d : b->disks_) d.hash = HashFile(d.image);
  return b;
}

bool Bystanders::Mounted() const { return IsMountPoint(mountDir_); }

std::string Bystanders::Changes() const {
  std::ostringstream out;
  for (const Disk& d : disks_) {
    std::string now = DeviceServing(d.image);
    if (now != d.device) out << d.image.filename().string() << " was on " << d.device << ", now on '" << now << "'; ";
    if (HashFile(d.image) != d.hash) out << "bystander " << d.device << " (" << d.image.filename().string() << ") was written; ";
  }
  if (!Mounted()) out << "the bystander volume " << mountDir_.string() << " was unmounted; ";
  return out.str();
}

Bystanders::~Bystanders() {
  if (dir_.empty()) return;
  const bool unmounted = UnmountFolder(mountDir_);
  for (const Disk& d : disks_) DetachAll(d.image);  // only devices that still serve our images
  std::error_code ec;
  if (unmounted) fs::remove_all(dir_, ec);
}

}  // namespace sw::e2e
