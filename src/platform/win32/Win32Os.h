// The Windows provider of the OS seam: every method is the kernel32 call of the same name, with
// the one repack the 64-bit SCSI pass-through needs. The header stays free of <windows.h>.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace sw::platform::win32 {

class Win32Os final : public Os {
 public:
  // A file (any name but a "\\.\" device) is opened only when the name is an ordinary file or
  // free: never through a link or junction (reparse point), never a folder; ERROR_ACCESS_DENIED.
  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override;
  bool CloseHandle(Handle h) override;
  Handle CreateMutexA(const std::string& name) override;
  // IOCTL_SCSI_PASS_THROUGH blocks in the 32-bit layout are repacked for a 64-bit driver and
  // back (PassThrough64.h); every other control goes through unchanged.
  bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override;
  bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override;
  bool WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                 std::uint32_t& bytesWritten) override;
  bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override;
  bool LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                std::uint32_t lengthLow, std::uint32_t lengthHigh) override;
  bool UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                  std::uint32_t lengthLow, std::uint32_t lengthHigh) override;
  bool FlushFileBuffers(Handle h) override;
  // The code of the last call of this object that failed; kept here so that window calls made
  // between the failure and the question (a message box, DoEvents) cannot overwrite it.
  std::uint32_t GetLastError() override;

  bool GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                           std::uint64_t& totalBytes, std::uint64_t& totalFree) override;
  bool GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                         std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                         std::uint32_t& totalClusters) override;
  bool GetVolumeInformationA(const std::string& root, std::span<char> label, std::uint32_t& serial,
                             std::uint32_t& maxComponentLength, std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override;
  std::vector<std::string> LogicalDrives() override;
  // The physical drive of the volume that holds the Windows folder; -1 when unknown.
  int SystemDiskNumber() override;

  // Ordinary files only: folders, reparse points, devices, hidden and system files are left out,
  // so the clean-up deletes nothing else.
  std::vector<std::string> FindFiles(const std::string& pattern) override;
  int DeleteFiles(const std::string& pattern) override;
  std::vector<std::string> FindNonRegularFiles(const std::string& pattern) override;

  LocalTime Now() override;
  // The user's short date and long time, as Windows formats them for this account.
  std::string GeneralDate(LocalTime t) override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;

  NumberFormat UserNumberFormat() override;

  // The system's formatter, format.com, on the new partition's volume (found by its extent on
  // the disk): FAT32 (up to 32 GB, as Windows makes it), exFAT, NTFS; ext4 is refused in words.
  std::string FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                              const std::string& label) override;
  bool FormatsFat32(std::uint64_t partitionBytes) override;

  // In %LOCALAPPDATA%\SizeWarden, ordinary files only, written through to the disk.
  bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) override;
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) override;
  std::vector<std::string> StateFiles() override;
  bool DeleteStateFile(const std::string& name) override;
  std::string StateFolder() override;

 private:
  Handle OpenOrdinaryFile(const std::string& name, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags);
  // Records the thread's last error after a failed call and passes the result through.
  bool Checked(bool ok);

  std::uint32_t lastError_ = 0;
};

}  // namespace sw::platform::win32
