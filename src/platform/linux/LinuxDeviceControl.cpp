// DeviceIoControl: each Windows control code and what carries it on Linux.
//   IOCTL_SCSI_PASS_THROUGH          SG_IO with the block's CDB (sd devices; none on loop/nvme/mmc)
//   IOCTL_STORAGE_QUERY_PROPERTY     sysfs + udev -> STORAGE_DEVICE_DESCRIPTOR
//   IOCTL_DISK_GET_LENGTH_INFO       BLKGETSIZE64
//   IOCTL_DISK_GET_DRIVE_GEOMETRY    BLKSSZGET (the logical sector), BLKGETSIZE64 over 255 x 63
//   IOCTL_STORAGE_GET_DEVICE_NUMBER  this provider's drive numbering
//   ..._DEVICE_NUMBER_EX             the same, with the disk's device number and diskseq as key
//   FSCTL_LOCK_VOLUME                exclusive open (O_EXCL) of the volume's node
//   FSCTL_UNLOCK_VOLUME              closing that exclusive open
//   FSCTL_DISMOUNT_VOLUME            sync + umount of every mount of the volume
//   IOCTL_DISK_CREATE_DISK, ..._SET_DRIVE_LAYOUT_EX, ..._GET_DRIVE_LAYOUT_EX
//                                    libfdisk on the disk's descriptor (DiskLabel.cpp)
//   IOCTL_DISK_UPDATE_PROPERTIES     BLKRRPART
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cerrno>
#include <utility>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/linux/BusType.h"
#include "platform/linux/DiskLabel.h"
#include "platform/linux/ErrnoMap.h"
#include "platform/linux/FuseMounts.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/ScsiPassThrough.h"
#include "platform/linux/StorageDescriptor.h"
#include "platform/linux/UdevInfo.h"

namespace sw::platform::linuxos {

bool LinuxOs::DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                              std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  Object* object = Find(h);
  if (!object) return false;
  if (object->kind == Object::Kind::File || object->kind == Object::Kind::Claim) {
    return Fail(win::ERROR_INVALID_FUNCTION);
  }
  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH:
      return ScsiCommand(*object, in, out, bytesReturned);
    case win::IOCTL_STORAGE_QUERY_PROPERTY:
      return QueryProperty(*object, in, out, bytesReturned);
    case win::IOCTL_DISK_GET_LENGTH_INFO:
      return DiskLength(*object, out, bytesReturned);
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return DiskGeometry(*object, out, bytesReturned);
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER:
      return DeviceNumber(*object, out, bytesReturned);
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX:
      return DeviceNumberEx(*object, out, bytesReturned);
    case win::IOCTL_DISK_CREATE_DISK:
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX:
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX:
    case win::IOCTL_DISK_UPDATE_PROPERTIES:
      return LayoutControl(*object, code, in, out, bytesReturned);
    case win::FSCTL_LOCK_VOLUME:
      return object->kind == Object::Kind::Volume ? LockVolume(*object) : Fail(win::ERROR_INVALID_FUNCTION);
    case win::FSCTL_UNLOCK_VOLUME:
      return object->kind == Object::Kind::Volume ? UnlockVolume(*object) : Fail(win::ERROR_INVALID_FUNCTION);
    case win::FSCTL_DISMOUNT_VOLUME:
      return object->kind == Object::Kind::Volume ? DismountVolume(*object) : Fail(win::ERROR_INVALID_FUNCTION);
    default:
      return Fail(win::ERROR_INVALID_FUNCTION);
  }
}

bool LinuxOs::ScsiCommand(const Object& object, std::span<const std::uint8_t> in,
                          std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  if (!object.fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  std::uint32_t error = win::ERROR_SUCCESS;
  if (!ScsiPassThrough(in, out, bytesReturned, error, SgIoTransport(object.fd.get()))) return Fail(error);
  return true;
}

bool LinuxOs::QueryProperty(const Object& object, std::span<const std::uint8_t> in,
                            std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  DeviceMap map = Snapshot();
  const PhysicalDisk* disk = map.Disk(object.diskNumber);
  if (!disk || !disk->known()) return Fail(win::ERROR_INVALID_FUNCTION);
  const SysBlockDevice& dev = disk->device;
  // udev describes the real machine only; a fixture tree under another root has no record there.
  UdevInfo udev = paths_.sysRoot == "/sys" ? LookUpUdev(dev.name) : UdevInfo{};
  DeviceDescription description;
  description.busType = BusTypeFor(dev.name, udev.bus, dev.devicePath, dev.mmcType);
  description.removable = dev.removable;
  description.vendor = dev.vendor;
  description.product = dev.model;
  description.revision = dev.revision;
  description.serial = udev.serial;
  std::uint32_t error = win::ERROR_SUCCESS;
  if (!AnswerStorageQuery(in, out, description, bytesReturned, error)) return Fail(error);
  return true;
}

bool LinuxOs::DeviceNumber(const Object& object, std::span<std::uint8_t> out,
                           std::uint32_t& bytesReturned) {
  if (object.diskNumber < 0) return Fail(win::ERROR_INVALID_FUNCTION);
  if (out.size() < win::kStorageDeviceNumberSize) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  PutLe32(out, 0, win::FILE_DEVICE_DISK);
  PutLe32(out, 4, static_cast<std::uint32_t>(object.diskNumber));
  PutLe32(out, 8, static_cast<std::uint32_t>(object.partitionNumber));
  bytesReturned = win::kStorageDeviceNumberSize;
  return true;
}

bool LinuxOs::DiskLength(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  if (!object.fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);  // Windows wants read access too
  if (out.size() < win::kGetLengthInformationSize) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  std::uint64_t length = 0;
  if (::ioctl(object.fd.get(), BLKGETSIZE64, &length) != 0) return FailErrno(errno);
  PutLe32(out, 0, static_cast<std::uint32_t>(length));
  PutLe32(out, 4, static_cast<std::uint32_t>(length >> 32));
  bytesReturned = win::kGetLengthInformationSize;
  return true;
}

bool LinuxOs::DiskGeometry(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  if (!object.fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  if (out.size() < win::kDiskGeometrySize) return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  int sectorBytes = 0;
  std::uint64_t length = 0;
  if (::ioctl(object.fd.get(), BLKSSZGET, &sectorBytes) != 0) return FailErrno(errno);
  if (::ioctl(object.fd.get(), BLKGETSIZE64, &length) != 0) return FailErrno(errno);
  // Heads and sectors per track as Windows makes them up for a USB stick; only the sector
  // length is the drive's own.
  constexpr std::uint32_t kTracks = 255;
  constexpr std::uint32_t kSectorsPerTrack = 63;
  const auto bytes = static_cast<std::uint32_t>(sectorBytes);
  const std::uint64_t cylinders = length / (std::uint64_t{kTracks} * kSectorsPerTrack * bytes);
  std::fill(out.begin(), out.begin() + win::kDiskGeometrySize, std::uint8_t{0});
  PutLe32(out, 0, static_cast<std::uint32_t>(cylinders));
  PutLe32(out, 4, static_cast<std::uint32_t>(cylinders >> 32));
  // MediaType stays Unknown (0): nothing here reads it.
  PutLe32(out, 12, kTracks);
  PutLe32(out, 16, kSectorsPerTrack);
  PutLe32(out, win::kDiskGeometryBytesPerSector, bytes);
  bytesReturned = win::kDiskGeometrySize;
  return true;
}

bool LinuxOs::LockVolume(Object& object) {
  if (object.lockFd.valid()) return true;
  // An exclusive open succeeds only while nothing else claims the device: no mount, no other
  // exclusive opener. Held until unlock or close, it also keeps an automounter from mounting
  // the volume again in the middle of a test.
  int fd = ::open(object.devNode.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY ? Fail(win::ERROR_ACCESS_DENIED) : FailErrno(errno);
  object.lockFd.reset(fd);
  return true;
}

bool LinuxOs::UnlockVolume(Object& object) {
  if (std::exchange(object.lockHeldByDisk, false)) return true;
  if (!object.lockFd.valid()) return Fail(win::ERROR_NOT_LOCKED);
  object.lockFd.reset();
  return true;
}

bool LinuxOs::DismountVolume(const Object& object) {
  // Only a volume that is still this disk's own may be taken down: its node may have passed to a
  // partition of another disk since the handle was opened.
  const DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(object.letter);
  const PhysicalDisk* disk = volume ? map.Disk(volume->diskNumber) : nullptr;
  if (!volume || volume->majMin != object.majMin || !disk || !disk->known() ||
      KeyOf(disk->device) != object.disk) {
    return Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  }
  std::vector<MountEntry> mounts = ReadMounts(paths_.mountInfo, paths_.procRoot, paths_.devDir);
  std::vector<MountEntry> targets;
  for (const MountEntry& m : mounts) {
    // A file system that shows an anonymous device number (FUSE, btrfs) is known by its source,
    // which must still be this very device node.
    const bool byNumber = m.majMin == object.majMin;
    const bool bySource = m.source == object.devNode && Reached(-1, object);
    if (byNumber || bySource) targets.push_back(m);
  }
  // Topmost first: a later entry may sit on top of an earlier one.
  for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
    UniqueFd dir(::open(it->target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::syncfs(dir.get());
    dir.reset();
    // No MNT_DETACH: a lazy unmount would leave the file system writing to the device
    // underneath the test. A busy mount (an open file, a shell inside it) therefore stays and
    // the call fails with ERROR_BUSY; the test then finds it still mounted and writes nothing.
    if (::umount2(it->target.c_str(), 0) != 0) {
      return errno == EBUSY ? Fail(win::ERROR_BUSY) : FailErrno(errno);
    }
    // Kept so that a test that will not run after all can give the user the volume back.
    unmounted_[object.diskNumber].push_back({*it, object.majMin, object.disk});
  }
  return true;
}

bool LinuxOs::LayoutControl(Object& object, std::uint32_t code, std::span<const std::uint8_t> in,
                            std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  if (object.kind != Object::Kind::Disk) return Fail(win::ERROR_INVALID_FUNCTION);
  if (!object.fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  const bool writes = code != win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX;
  if (writes && (object.access & win::GENERIC_WRITE) == 0) return Fail(win::ERROR_ACCESS_DENIED);
  // libfdisk transfers through buffers of its own, which an unbuffered descriptor refuses: it
  // gets a buffered one of the same node, checked to reach the same device.
  const UniqueFd buffered(::open(object.devNode.c_str(), (writes ? O_RDWR : O_RDONLY) | O_CLOEXEC));
  if (!buffered.valid()) return FailErrno(errno);
  if (!Reached(buffered.get(), object)) return Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  int error = 0;
  switch (code) {
    case win::IOCTL_DISK_CREATE_DISK:
      error = CreateEmptyLabel(buffered.get(), object.devNode, in);
      break;
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX:
      error = WriteLayout(buffered.get(), object.devNode, in);
      break;
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX:
      // What the device holds, not what the page cache kept from before.
      ::ioctl(buffered.get(), BLKFLSBUF, 0);
      error = ReadLayout(buffered.get(), object.devNode, out, bytesReturned);
      break;
    default:
      error = RereadPartitions(object.fd.get(), buffered.get(), object.devNode);
      break;
  }
  if (writes) object.wrote = true;
  return error == 0 ? true : FailErrno(error);
}

std::string LinuxOs::FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                                     const std::string& label) {
  const std::string disk = DeviceName(diskNumber);
  if (disk.empty()) return "the drive is not connected";
  const std::string node = PartitionNode(disk, partition);
  // Closing the disk after its table was written has the kernel read it again, which on some
  // devices leaves no partition behind: it is told once more.
  if (!std::filesystem::exists(node)) {
    const UniqueFd fd(::open(disk.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.valid()) TellPartitionsToKernel(fd.get(), disk);
  }
  return MakeFileSystem(node, fileSystem, label);
}

}  // namespace sw::platform::linuxos
