// Handles, opening devices and files by their Windows names, and the drive letters.
#include "platform/linux/LinuxOs.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/WinApi.h"
#include "platform/linux/ErrnoMap.h"
#include "platform/linux/FileCache.h"
#include "platform/linux/FuseMounts.h"
#include "platform/linux/LinuxTexts.h"
#include "platform/linux/LocalClock.h"
#include "platform/linux/ReachedDevice.h"
#include "platform/linux/WinPath.h"

namespace sw::platform::linuxos {

namespace {

int OpenModeFor(std::uint32_t access) {
  bool read = (access & win::GENERIC_READ) != 0;
  bool write = (access & win::GENERIC_WRITE) != 0;
  if (read && write) return O_RDWR;
  return write ? O_WRONLY : O_RDONLY;
}

// The same name in another case, as Windows would find it; name itself when none exists.
std::string MatchCase(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists(folder / name, ec)) return name;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string candidate = entry.path().filename().string();
    if (strcasecmp(candidate.c_str(), name.c_str()) == 0) return candidate;
  }
  return name;
}

}  // namespace

LinuxOs::LinuxOs(SystemPaths paths) : paths_(std::move(paths)), userLocale_(UserLocale()) {}

DeviceMap LinuxOs::Snapshot() {
  DeviceMap map = scans_.Current({paths_.sysRoot, paths_.mountInfo, paths_.devDir, paths_.swaps, paths_.procRoot});
  numbering_.Apply(map);
  return map;
}

int LinuxOs::LastDriveNumberToList() {
  // Numbers are never given twice, so they outgrow the count of letters once disks have come
  // and gone: list up to the highest number a disk has now.
  const DeviceMap map = Snapshot();
  return map.disks.empty() ? 0 : map.disks.back().number;
}

Handle LinuxOs::Add(Object object) {
  Handle h = nextHandle_;
  nextHandle_ += 4;
  objects_.emplace(h, std::move(object));
  return h;
}

LinuxOs::Object* LinuxOs::Find(Handle h) {
  auto it = objects_.find(h);
  if (it == objects_.end()) {
    lastError_ = win::ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return &it->second;
}

bool LinuxOs::Fail(std::uint32_t win32Error) {
  lastError_ = win32Error;
  return false;
}

bool LinuxOs::FailErrno(int error) { return Fail(Win32FromErrno(error)); }

Handle LinuxOs::CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition, std::uint32_t flags) {
  WinPath path = ParseWinPath(name);
  switch (path.kind) {
    case WinPath::Kind::PhysicalDrive:
    case WinPath::Kind::Volume:
      if (disposition != win::OPEN_EXISTING) {
        Fail(win::ERROR_INVALID_PARAMETER);
        return kInvalidHandle;
      }
      return OpenDevice(name, access, share);
    case WinPath::Kind::File:
      return OpenFile(path.letter, path.relative, access, disposition, flags);
    case WinPath::Kind::VolumeRoot:
      Fail(win::ERROR_ACCESS_DENIED);  // a folder, not a file
      return kInvalidHandle;
    case WinPath::Kind::Invalid:
      break;
  }
  Fail(win::ERROR_INVALID_NAME);
  return kInvalidHandle;
}

Handle LinuxOs::OpenDevice(const std::string& name, std::uint32_t access, std::uint32_t share) {
  WinPath path = ParseWinPath(name);
  DeviceMap map = Snapshot();
  Object object;
  if (path.kind == WinPath::Kind::PhysicalDrive) {
    const PhysicalDisk* disk = map.Disk(path.driveNumber);
    if (!disk || !disk->known()) {
      Fail(win::ERROR_FILE_NOT_FOUND);
      return kInvalidHandle;
    }
    object.kind = Object::Kind::Disk;
    object.devNode = disk->devNode;
    object.majMin = disk->device.majMin;
    object.disk = KeyOf(disk->device);
    object.diskNumber = disk->number;
  } else {
    const VolumeEntry* volume = map.Volume(path.letter);
    if (!volume || volume->devNode.empty()) {
      Fail(win::ERROR_FILE_NOT_FOUND);
      return kInvalidHandle;
    }
    object.kind = Object::Kind::Volume;
    object.devNode = volume->devNode;
    object.majMin = volume->majMin;
    if (const PhysicalDisk* disk = map.Disk(volume->diskNumber); disk && disk->known()) {
      object.disk = KeyOf(disk->device);
    }
    object.diskNumber = volume->diskNumber;
    object.partitionNumber = volume->partitionNumber;
    object.letter = volume->letter;
  }
  object.access = access;
  object.direct = true;
  if ((access & (win::GENERIC_READ | win::GENERIC_WRITE)) == 0) {
    // Access 0 asks only for queries, which Windows grants without administrator rights:
    // no descriptor, just proof that the node is there.
    struct stat st {};
    if (::stat(object.devNode.c_str(), &st) != 0) {
      FailErrno(errno);
      return kInvalidHandle;
    }
    if (!Reached(-1, object)) {
      Fail(win::ERROR_DEVICE_NOT_CONNECTED);
      return kInvalidHandle;
    }
    return Add(std::move(object));
  }
  // Raw transfers must reach the device, not the page cache: a read-back served from memory
  // would pass a counterfeit drive. O_DIRECT takes whole logical sectors: 512-byte transfers
  // work on the usual 512-byte-sector sticks and card readers. A 4Kn device (4096-byte logical
  // sectors) refuses them with EINVAL, so each 512-byte ReadFile/WriteFile fails with
  // ERROR_INVALID_PARAMETER, just as unbuffered 512-byte I/O fails on such a drive under
  // Windows, and the Quick Size Test reports write errors. No read-modify-write emulation: it
  // would hide what the device does.
  // Linux has no share modes. A disk opened for writing without sharing write access is claimed
  // exclusively (O_EXCL), which the kernel refuses while any other opener claims it or any of its
  // partitions (a mount, another test): one run per disk.
  const bool exclusive = object.kind == Object::Kind::Disk && (access & win::GENERIC_WRITE) != 0 &&
                         (share & win::FILE_SHARE_WRITE) == 0;
  if (exclusive) HandVolumeLocksToDisk(object.diskNumber);
  int fd = ::open(object.devNode.c_str(), OpenModeFor(access) | O_DIRECT | O_CLOEXEC | (exclusive ? O_EXCL : 0));
  if (fd < 0) {
    if (exclusive && errno == EBUSY) {
      Fail(win::ERROR_SHARING_VIOLATION);
    } else {
      FailErrno(errno);
    }
    return kInvalidHandle;
  }
  object.fd.reset(fd);
  // The name may have passed to another disk since the scan: then this is not the disk asked for,
  // and not one byte may reach it.
  if (!Reached(fd, object)) {
    Fail(win::ERROR_DEVICE_NOT_CONNECTED);
    return kInvalidHandle;
  }
  return Add(std::move(object));
}

bool LinuxOs::Reached(int fd, const Object& object) const {
  struct stat st {};
  const int rc = fd >= 0 ? ::fstat(fd, &st) : ::stat(object.devNode.c_str(), &st);
  if (rc != 0) return false;
  if (S_ISREG(st.st_mode)) return paths_.devDir != "/dev";
  if (fd < 0) return S_ISBLK(st.st_mode) && MajMinOf(st.st_rdev) == object.majMin;
  return ReachedDevice(fd, object.majMin, object.disk.diskSeq);
}

void LinuxOs::HandVolumeLocksToDisk(int diskNumber) {
  for (auto& [handle, object] : objects_) {
    if (object.kind == Object::Kind::Volume && object.diskNumber == diskNumber && object.lockFd.valid()) {
      object.lockFd.reset();
      object.lockHeldByDisk = true;
    }
  }
}

std::string LinuxOs::VolumeFolder(char letter, const std::string& relative, std::string* devNode) {
  DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(letter);
  if (!volume) {
    Fail(win::ERROR_PATH_NOT_FOUND);
    return {};
  }
  if (volume->mountPoint.empty()) {
    Fail(win::ERROR_UNRECOGNIZED_VOLUME);
    return {};
  }
  // Unmounted since the table was read, the mount point is a plain folder of another disk (the
  // system's, as often as not): test files must never land there. (The fixture trees of the
  // tests mount ordinary folders under made-up numbers.)
  struct stat st {};
  if (!volume->mountMajMin.empty() && paths_.devDir == "/dev" &&
      (::stat(volume->mountPoint.c_str(), &st) != 0 || MajMinOf(st.st_dev) != volume->mountMajMin)) {
    Fail(win::ERROR_UNRECOGNIZED_VOLUME);
    return {};
  }
  std::filesystem::path folder = volume->mountPoint;
  if (!relative.empty()) folder /= relative;
  if (devNode) *devNode = volume->devNode;
  return folder.string();
}

Handle LinuxOs::OpenFile(char letter, const std::string& relative, std::uint32_t access,
                         std::uint32_t disposition, std::uint32_t flags) {
  std::string devNode;
  std::filesystem::path target = VolumeFolder(letter, relative, &devNode);
  if (target.empty()) return kInvalidHandle;
  target = target.parent_path() / MatchCase(target.parent_path(), target.filename().string());
  // A link named like a test file would send 200 MB of pattern into whatever it points at
  // (as root, anywhere): the name itself must be the file. O_NONBLOCK keeps a FIFO of that name
  // from hanging the open; it changes nothing for the regular files that pass the check below.
  int mode = OpenModeFor(access) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  if (disposition == win::CREATE_ALWAYS) {
    mode |= O_CREAT | O_TRUNC;
  } else if (disposition != win::OPEN_EXISTING) {
    Fail(win::ERROR_INVALID_PARAMETER);
    return kInvalidHandle;
  }
  bool direct = (flags & win::FILE_FLAG_NO_BUFFERING) != 0;
  if ((flags & win::FILE_FLAG_WRITE_THROUGH) != 0) mode |= O_DSYNC;
  int fd = ::open(target.c_str(), mode | (direct ? O_DIRECT : 0), 0644);
  const bool directRefused = fd < 0 && direct && errno == EINVAL;
  if (directRefused) {
    // A file system without O_DIRECT (tmpfs before 6.6, some FUSE): the data still goes out
    // with O_DSYNC, and the alignment rules below still hold as on Windows.
    fd = ::open(target.c_str(), mode | O_DSYNC, 0644);
  }
  if (fd < 0) {
    FailErrno(errno);
    return kInvalidHandle;
  }
  UniqueFd owner(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    Fail(win::ERROR_ACCESS_DENIED);  // a folder or a device node is not a file
    return kInvalidHandle;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  Object object;
  object.kind = Object::Kind::File;
  object.fd = std::move(owner);
  object.access = access;
  object.direct = direct;
  object.letter = letter;
  object.onFuse = OnFuse(fd);
  // The verification must see what the flash holds, never what this machine remembers writing.
  if (direct && (access & win::GENERIC_READ) != 0) {
    object.cacheNote = BypassReadCache(fd, directRefused);
    if (object.onFuse) {
      const std::string dropped = DropDeviceCache(devNode);
      object.cacheNote += (object.cacheNote.empty() || dropped.empty() ? "" : "; ") + dropped;
    }
  }
  return Add(std::move(object));
}

std::string LinuxOs::CacheBypassNote(Handle h) {
  const Object* object = Find(h);
  return object ? object->cacheNote : std::string{};
}

bool LinuxOs::CloseHandle(Handle h) {
  auto it = objects_.find(h);
  if (it == objects_.end()) return Fail(win::ERROR_INVALID_HANDLE);
  if (it->second.kind == Object::Kind::Disk && it->second.wrote && it->second.fd.valid()) {
    // A raw write may have changed the partition table (the Quick Size Test zeroes sector 0).
    // Windows rescans the disk when its handle closes, and so does udev on a desktop; without
    // udev the kernel would keep the old partitions, which could even be mounted again with
    // stale data. The rescan is refused (EBUSY) while a partition is in use, and then changes
    // nothing.
    ::ioctl(it->second.fd.get(), BLKRRPART);
  }
  int rc = it->second.fd.reset();
  int error = errno;
  objects_.erase(it);  // also ends a volume lock held through this handle
  return rc == 0 || FailErrno(error);
}

std::vector<std::string> LinuxOs::LogicalDrives() {
  std::vector<std::string> letters;
  for (const VolumeEntry& v : Snapshot().volumes) letters.push_back(std::string(1, v.letter) + ":");
  return letters;
}

std::string LinuxOs::ShownPath(const std::string& name) {
  // Only reads the tables: lastError_ still belongs to the call the caller may be reporting.
  const WinPath path = ParseWinPath(name);
  // "E:\" is the folder of the volume; a bare "E:" stays the designator it is.
  const bool root = path.kind == WinPath::Kind::VolumeRoot && !name.empty() && name.back() == '\\';
  if (path.kind != WinPath::Kind::File && !root) return name;
  const DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(path.letter);
  if (!volume || volume->mountPoint.empty()) return name;
  return (std::filesystem::path(volume->mountPoint) / path.relative).string();
}

std::string LinuxOs::DescribeVolume(const std::string& designator) {
  if (designator.empty()) return {};
  DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(designator[0]);
  if (!volume || (designator.size() > 1 && designator[1] != ':')) return {};
  std::string device = volume->devNode.empty() ? volume->fsType : volume->devNode;
  if (!volume->mountPoint.empty()) return device + kDescribeMountedOn + volume->mountPoint;
  // A file system on the whole disk beside its partitions (a stale partition table under a
  // formatted disk, a hybrid image) is mounted even though this partition is not.
  const PhysicalDisk* disk = map.Disk(volume->diskNumber);
  if (volume->partitionNumber > 0 && disk && disk->known()) {
    // Held here: the entry found points into it.
    const std::vector<MountEntry> mounts = ReadMounts(paths_.mountInfo, paths_.procRoot, paths_.devDir);
    if (const MountEntry* whole = FindMount(mounts, disk->device.majMin, disk->devNode)) {
      return device + kDescribeNotMounted + kDescribeWholeDisk1 + disk->devNode + kDescribeMountedOn +
             whole->target + kDescribeWholeDisk2;
    }
  }
  return device + kDescribeNotMounted;
}

}  // namespace sw::platform::linuxos
