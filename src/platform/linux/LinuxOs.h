// The OS services on Linux: real USB sticks, card readers and disks behind the Windows-shaped
// seam. Physical drives and drive letters come from sysfs and the mount table (DeviceMap),
// device controls are carried by ioctls, volume locks by exclusive opens, dismounts by umount.
#pragma once

#include <cstdint>
#include <filesystem>
#include <locale>
#include <map>
#include <optional>
#include <string>

#include "platform/Os.h"
#include "platform/linux/DeviceMap.h"
#include "platform/linux/ScanMemo.h"
#include "platform/linux/StableNumbers.h"
#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

// Where the system's tables are; tests point these at fixtures.
struct SystemPaths {
  std::filesystem::path sysRoot = "/sys";
  std::filesystem::path mountInfo = "/proc/self/mountinfo";
  std::string devDir = "/dev";
  std::filesystem::path swaps = "/proc/swaps";
  std::filesystem::path procRoot = "/proc";
  std::filesystem::path lockDir = "/run/lock/sizewarden";  // the claims of runs on disks
  // The journals of probes, which must outlive a crash and a reboot (so not under /run), and be
  // found whoever started the program as root (so not under a home folder).
  std::filesystem::path stateDir = "/var/lib/sizewarden";
};

// The folder of the claims or of the state files, made for this user alone. A folder of that
// name that someone else made, one that others may write, or a link would let them steer or fake
// what is kept there.
bool OwnFolder(const std::filesystem::path& dir);

class LinuxOs final : public Os {
 public:
  explicit LinuxOs(SystemPaths paths = {});
  ~LinuxOs() override = default;  // every open handle closes with its object
  LinuxOs(const LinuxOs&) = delete;
  LinuxOs& operator=(const LinuxOs&) = delete;

  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override;
  bool CloseHandle(Handle h) override;
  // A lock file in lockDir held with flock: the kernel lets it go when the process ends.
  Handle CreateMutexA(const std::string& name) override;
  bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override;
  bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override;
  bool WriteFile(Handle h, std::span<const std::uint8_t> buffer, std::uint32_t& bytesWritten) override;
  bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override;
  bool LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t lengthLow,
                std::uint32_t lengthHigh) override;
  bool UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                  std::uint32_t lengthLow, std::uint32_t lengthHigh) override;
  bool FlushFileBuffers(Handle h) override;
  std::uint32_t GetLastError() override { return lastError_; }

  bool GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                           std::uint64_t& totalBytes, std::uint64_t& totalFree) override;
  std::string CacheBypassNote(Handle h) override;
  // Bytes per sector: the logical block size of the volume's device (512 when it has none).
  bool GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                         std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                         std::uint32_t& totalClusters) override;
  bool GetVolumeInformationA(const std::string& root, std::span<char> label, std::uint32_t& serial,
                             std::uint32_t& maxComponentLength, std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override;
  std::vector<std::string> LogicalDrives() override;
  int SystemDiskNumber() override { return 0; }
  std::string DescribeVolume(const std::string& designator) override;

  const PlatformWording& Wording() override { return kLinuxWording; }
  // "E:\WARDFILE1.tmp" -> "/media/stick/WARDFILE1.tmp"; a name on no mounted volume stays.
  std::string ShownPath(const std::string& name) override;

  std::vector<std::string> FindFiles(const std::string& pattern) override;
  int DeleteFiles(const std::string& pattern) override;

  LocalTime Now() override;
  std::string GeneralDate(LocalTime t) override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  NumberFormat UserNumberFormat() override;

  bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) override;
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) override;
  std::vector<std::string> StateFiles() override;
  bool DeleteStateFile(const std::string& name) override;
  std::string StateFolder() override { return paths_.stateDir.string(); }

  NamedDevice FindDevice(const std::string& path) override;
  std::string DeviceName(int diskNumber) override;
  bool LettersAreStable() override { return false; }
  std::vector<MountInUse> MountsOfDisk(int diskNumber) override;
  std::vector<std::string> RemountDisk(int diskNumber) override;
  std::vector<std::string> FindNonRegularFiles(const std::string& pattern) override;
  // The mkfs tool of the file system on the partition's node (DiskLabel.cpp).
  std::string FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                              const std::string& label) override;
  // mkfs.fat makes one of any size FAT32 holds.
  bool FormatsFat32(std::uint64_t partitionBytes) override {
    (void)partitionBytes;
    return true;
  }

  int LastDriveNumberToList() override;

  // The machine as this provider sees it right now, with the numbers and letters each disk and
  // volume was first given by this object.
  DeviceMap Snapshot();
  std::uint64_t FullScans() const { return scans_.Scans(); }
  std::size_t OpenHandleCount() const { return objects_.size(); }

 private:
  struct Object {
    enum class Kind { Disk, Volume, File, Claim };
    Kind kind = Kind::File;
    UniqueFd fd;              // empty for a handle opened with access 0 (queries only)
    UniqueFd lockFd;          // the exclusive open that stands for FSCTL_LOCK_VOLUME
    bool lockHeldByDisk = false;  // Volume: the lock passed to an exclusive open of its disk
    std::uint32_t access = 0;
    bool direct = false;      // unbuffered: transfers must be whole, aligned sectors
    bool wrote = false;       // Disk: something was written through this handle
    std::string devNode;      // Disk, Volume
    std::string majMin;       // Disk, Volume: the device the scan showed under devNode
    DiskKey disk;             // Disk, Volume: the disk it is, or belongs to
    int diskNumber = -1;      // Disk, Volume
    int partitionNumber = 0;  // Volume
    char letter = 0;          // Volume, File
    bool onFuse = false;      // File: a FUSE file system, which says EPERM when it is full
    std::string cacheNote;    // File: how its reads were made to bypass the page cache
  };

  Handle Add(Object object);
  // Whether fd (or, for -1, the node) is the device the object was opened for. The fixture trees
  // of the tests have plain files for nodes, which stand for themselves.
  bool Reached(int fd, const Object& object) const;
  Object* Find(Handle h);
  bool Fail(std::uint32_t win32Error);
  bool FailErrno(int error);
  Handle OpenDevice(const std::string& name, std::uint32_t access, std::uint32_t share);
  // The kernel lets a whole disk be claimed exclusively only while none of its partitions is
  // claimed, so this provider's own volume locks on the disk give way to the disk's claim.
  void HandVolumeLocksToDisk(int diskNumber);
  Handle OpenFile(char letter, const std::string& relative, std::uint32_t access,
                  std::uint32_t disposition, std::uint32_t flags);
  // The folder a volume's files live in (its mount point + relative), or empty with lastError_
  // set: the letter is unknown (ERROR_PATH_NOT_FOUND) or the volume is not mounted
  // (ERROR_UNRECOGNIZED_VOLUME, as Windows says of a volume without a file system).
  // devNode, when given, gets the volume's block device.
  std::string VolumeFolder(char letter, const std::string& relative, std::string* devNode = nullptr);

  bool QueryProperty(const Object& object, std::span<const std::uint8_t> in,
                     std::span<std::uint8_t> out, std::uint32_t& bytesReturned);
  bool DeviceNumber(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned);
  bool DeviceNumberEx(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned);
  bool DiskLength(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned);
  bool DiskGeometry(const Object& object, std::span<std::uint8_t> out, std::uint32_t& bytesReturned);
  bool ScsiCommand(const Object& object, std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                   std::uint32_t& bytesReturned);
  bool LockVolume(Object& object);
  bool UnlockVolume(Object& object);
  bool DismountVolume(const Object& object);
  bool LayoutControl(Object& object, std::uint32_t code, std::span<const std::uint8_t> in,
                     std::span<std::uint8_t> out, std::uint32_t& bytesReturned);

  SystemPaths paths_;
  std::optional<std::locale> userLocale_;  // the environment's, read once; none for C/POSIX
  ScanMemo scans_;  // every question reads the machine's mark; only a changed one scans it all
  StableNumbers numbering_;
  std::map<Handle, Object> objects_;
  struct Unmounted {
    MountEntry mount;
    std::string deviceMajMin;  // the volume's device, which must still be under mount.source
    DiskKey disk;
  };
  std::map<int, std::vector<Unmounted>> unmounted_;  // by disk number: what dismounts took down
  Handle nextHandle_ = 4;
  std::uint32_t lastError_ = 0;
};

}  // namespace sw::platform::linuxos
