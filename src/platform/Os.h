// The OS-services seam: the handful of Windows services the logic calls, with their Windows
// names, arguments and results, so the core builds the same bytes on every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/DiskUse.h"
#include "platform/PlatformWording.h"

namespace sw::platform {

// Handles are signed; -1 (INVALID_HANDLE_VALUE) is the failure value, as on Windows.
using Handle = std::int64_t;
inline constexpr Handle kInvalidHandle = -1;

// Local date-time to the second, counted in seconds from 1970-01-01 00:00:00 local time.
// Differences of two values are whole seconds, which is all the reports need.
using LocalTime = std::int64_t;

// Separators of the user's number format (thousands grouping and decimal point).
struct NumberFormat {
  std::string thousands = ",";
  std::string decimal = ".";
};

// The largest FAT32 the Windows formatter is taken to make: 32 GB as Windows counts them, read
// as the smaller, decimal count, so that no partition near the edge is left to a refusal.
inline constexpr std::uint64_t kWindowsFat32Limit = 32'000'000'000ull;

class Os {
 public:
  virtual ~Os() = default;

  // --- Device and file access (kernel32) ---------------------------------------------------
  // name is the Windows path: "\\.\PhysicalDrive2", "\\.\E:", or a file such as "E:\WARDFILE1.tmp".
  // access, share, disposition and flags are the Win32 values (see WinApi.h). Returns -1 on failure.
  virtual Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition, std::uint32_t flags) = 0;
  virtual bool CloseHandle(Handle h) = 0;
  // in and out may be empty (no buffer). bytesReturned is written on every call (0 on failure).
  virtual bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                               std::span<std::uint8_t> out, std::uint32_t& bytesReturned) = 0;
  virtual bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) = 0;
  virtual bool WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                         std::uint32_t& bytesWritten) = 0;
  // method is FILE_BEGIN, FILE_CURRENT or FILE_END; newPosition may be null.
  virtual bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                                std::uint32_t method) = 0;
  virtual bool LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                        std::uint32_t lengthLow, std::uint32_t lengthHigh) = 0;
  virtual bool UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                          std::uint32_t lengthLow, std::uint32_t lengthHigh) = 0;
  virtual bool FlushFileBuffers(Handle h) = 0;
  // The Win32 ERROR_* code of the last failed call, on every platform.
  virtual std::uint32_t GetLastError() = 0;

  // Unbuffered reads that the file system serves from its cache anyway (no O_DIRECT, or
  // O_DIRECT quietly buffered) are made to reach the device by other means: how, for the trace,
  // or empty when the handle's reads are truly unbuffered.
  virtual std::string CacheBypassNote(Handle h) {
    (void)h;
    return {};
  }

  // --- Volume queries ---------------------------------------------------------------------
  // The geometry half of GetDiskFreeSpaceA: unbuffered file transfers must be whole multiples
  // of bytesPerSector. False (all zero) where the provider cannot tell.
  virtual bool GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                                 std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                                 std::uint32_t& totalClusters) {
    (void)root;
    sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
    return false;
  }
  // directory is a volume ("E:") or a folder on it. Sizes in bytes.
  virtual bool GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                                   std::uint64_t& totalBytes, std::uint64_t& totalFree) = 0;
  // root as the caller builds it ("E:" or "E:\"). The label and file system name are written
  // NUL-terminated into the spans, which carry the buffer sizes.
  virtual bool GetVolumeInformationA(const std::string& root, std::span<char> label,
                                     std::uint32_t& serial, std::uint32_t& maxComponentLength,
                                     std::uint32_t& fileSystemFlags,
                                     std::span<char> fileSystemName) = 0;
  // The system's drive letters as designators in letter order: "A:", "C:", "E:", ...
  virtual std::vector<std::string> LogicalDrives() = 0;
  // The highest physical drive number the drive list looks at: one less than the count of
  // drive letters, as Windows programs have always assumed.
  virtual int LastDriveNumberToList() { return static_cast<int>(LogicalDrives().size()) - 1; }
  // Physical drive number of the disk that holds the running system, or -1 when unknown.
  virtual int SystemDiskNumber() = 0;
  // What a designator stands for on this machine, for people who think in device names
  // ("/dev/sdb1 on /media/stick"); empty when there is nothing to add.
  virtual std::string DescribeVolume(const std::string& designator) {
    (void)designator;
    return {};
  }

  // --- Words for the user ------------------------------------------------------------------
  // The report and box texts that name things of this system. Windows and the simulator keep the
  // Windows sentences.
  virtual const PlatformWording& Wording() { return kWindowsWording; }
  // A file name as CreateFileA takes it ("E:\WARDFILE1.tmp", also with wildcards), written as
  // this system's users find the file: its real path where that differs.
  virtual std::string ShownPath(const std::string& name) { return name; }

  // --- Files by wildcard ------------------------------------------------------------------
  // Names (without folder) of the ordinary files matching a pattern such as "E:\WARDFILE*.tmp";
  // hidden and system files do not count.
  virtual std::vector<std::string> FindFiles(const std::string& pattern) = 0;
  // Deletes every ordinary file matching the pattern; returns how many were deleted.
  virtual int DeleteFiles(const std::string& pattern) = 0;

  // --- Time -------------------------------------------------------------------------------
  virtual LocalTime Now() = 0;
  // The system's general date format of a local time, as the traces begin with it.
  virtual std::string GeneralDate(LocalTime t) = 0;
  virtual std::uint32_t GetTickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // --- One run per disk ----------------------------------------------------------------------
  // A claim on `name` that every process of this machine sees and that lasts until the handle is
  // closed (or the process ends, however it ends): CreateMutexA(NULL, FALSE, name) on Windows.
  // kInvalidHandle with ERROR_ALREADY_EXISTS when another holder has the name; with any other
  // error this system offers no such claim.
  virtual Handle CreateMutexA(const std::string& name) = 0;

  // --- The program's own files on this computer's disk ------------------------------------
  // Small files kept between runs (the journal of an Exact Probe), by a plain name of letters,
  // digits, '-' and '.', in a folder of this user alone. AppendStateFile adds the bytes at the
  // end, making the file, and returns only once they are on the disk: a crash or a power cut
  // right after it keeps them.
  virtual bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
  // Nothing when there is no such file or it cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) = 0;
  virtual std::vector<std::string> StateFiles() = 0;
  virtual bool DeleteStateFile(const std::string& name) = 0;
  // The folder, as its users find it ("/var/lib/sizewarden").
  virtual std::string StateFolder() = 0;

  // --- User's locale ----------------------------------------------------------------------
  virtual NumberFormat UserNumberFormat() = 0;

  // --- Beyond the Windows services: naming drives by device, and what must stop a write ----
  // The drive a device path names. Windows and the simulator know "\\.\PhysicalDriveN" only.
  virtual NamedDevice FindDevice(const std::string& path) { return FindPhysicalDrivePath(path); }
  // The name users know a physical drive by, which the terminal takes back and the questions
  // before a destructive test show: "/dev/sdb" on Linux, "\\.\PhysicalDriveN" here. Empty on
  // Linux for a number that names no disk.
  virtual std::string DeviceName(int diskNumber) {
    return kPhysicalDrivePrefix + std::to_string(diskNumber);
  }
  // Whether a drive letter keeps naming the same drive while devices come and go. On Linux the
  // letters are given in device order, so a stick plugged in moves every letter after it.
  virtual bool LettersAreStable() { return true; }
  // Every file system of the drive that is still mounted, partitions and the whole disk alike,
  // with the processes that hold it. Empty where the system dismounts on demand (Windows).
  virtual std::vector<MountInUse> MountsOfDisk(int diskNumber) {
    (void)diskNumber;
    return {};
  }
  // Mounts again what the dismounts of this drive took down, once nothing will be written after
  // all. Returns the mount points that could not be mounted again.
  virtual std::vector<std::string> RemountDisk(int diskNumber) {
    (void)diskNumber;
    return {};
  }
  // Makes a file system on partition `partition` (from 1) of physical drive `diskNumber`, laid
  // out just before through the disk's handle: fileSystem is "fat32", "exfat", "ntfs" or "ext4".
  // Empty when it was made; otherwise what went wrong, in words for the report (a missing tool
  // named with the package to install).
  virtual std::string FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                                      const std::string& label) {
    (void)diskNumber;
    (void)partition;
    (void)fileSystem;
    (void)label;
    return "this system offers no way to make a file system yet";
  }
  // Whether FormatPartition makes a FAT32 of partitionBytes. Where it does not (Windows makes
  // none over 32 GB, kWindowsFat32Limit), the fix writes its own FAT32 through the disk's handle
  // instead; a system that does not say gets that one.
  virtual bool FormatsFat32(std::uint64_t partitionBytes) {
    (void)partitionBytes;
    return false;
  }
  // Names matching a pattern such as "E:\WARDFILE*.tmp" that are there but are not ordinary
  // files: folders, links (or reparse points), devices, pipes.
  virtual std::vector<std::string> FindNonRegularFiles(const std::string& pattern) {
    (void)pattern;
    return {};
  }
};

}  // namespace sw::platform
