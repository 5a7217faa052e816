// An Os that passes every call on to another one, except the sector transfers, flushes and opens
// that its rules fail (each failing write taking a chosen virtual time).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "platform/WinApi.h"

namespace sw::testing {

class FaultyOs final : public platform::Os {
 public:
  explicit FaultyOs(platform::Os& inner) : inner_(inner) {}

  // Asked before each transfer of a physical drive's sector: true makes it fail.
  std::function<bool(std::int64_t sector)> failWrite;
  std::function<bool(std::int64_t sector)> failRead;
  std::uint32_t failedWriteMs = 0;  // virtual time a failing write takes
  bool failedWritesLand = false;     // a failing write still reaches the device (a lost answer)
  // A transfer that the system reports as done with one sector fewer than asked.
  std::function<bool(std::int64_t sector)> shortWrite;
  std::function<bool(std::int64_t sector)> shortRead;
  // Asked at the flush that follows a write, with the write's first sector.
  std::function<bool(std::int64_t sector)> failFlush;
  // Asked at each open of a physical drive for writing, counted from 1.
  std::function<bool(int open)> failPhysicalOpen;

  // The drive as others use it: file systems still mounted after the dismounts, and another
  // program that keeps every exclusive open of a physical drive out.
  std::vector<platform::MountInUse> mounts;
  std::vector<std::string> notRemounted;
  int remounts = 0;
  bool heldByAnother = false;
  std::vector<std::uint32_t> physicalDriveShares;  // share mode of each physical drive opened to write

  platform::Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                               std::uint32_t disposition, std::uint32_t flags) override {
    if (name.find("PhysicalDrive") != std::string::npos && (access & win::GENERIC_WRITE) != 0) {
      physicalDriveShares.push_back(share);
      if (failPhysicalOpen && failPhysicalOpen(static_cast<int>(physicalDriveShares.size()))) {
        error_ = win::ERROR_SHARING_VIOLATION;
        return platform::kInvalidHandle;
      }
      if (heldByAnother && (share & win::FILE_SHARE_WRITE) == 0) {
        error_ = win::ERROR_SHARING_VIOLATION;
        return platform::kInvalidHandle;
      }
    }
    error_ = 0;
    return inner_.CreateFileA(name, access, share, disposition, flags);
  }
  std::vector<platform::MountInUse> MountsOfDisk(int diskNumber) override {
    (void)diskNumber;
    return mounts;
  }
  std::vector<std::string> RemountDisk(int diskNumber) override {
    (void)diskNumber;
    ++remounts;
    return notRemounted;
  }
  std::string FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                              const std::string& label) override {
    std::string result = inner_.FormatPartition(diskNumber, partition, fileSystem, label);
    if (afterFormat) afterFormat();
    return result;
  }
  std::function<void()> afterFormat;  // runs once the formatter is done
  bool FormatsFat32(std::uint64_t partitionBytes) override { return inner_.FormatsFat32(partitionBytes); }
  bool CloseHandle(platform::Handle h) override {
    position_.erase(h);
    lastWrite_.erase(h);
    return inner_.CloseHandle(h);
  }
  // Asked after each device control with its code and answer: false makes it fail; it may
  // change the answer.
  std::function<bool(std::uint32_t code, std::span<std::uint8_t> out)> afterControl;
  bool DeviceIoControl(platform::Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override {
    const bool ok = inner_.DeviceIoControl(h, code, in, out, bytesReturned);
    if (ok && afterControl && !afterControl(code, out.first(bytesReturned))) {
      error_ = win::ERROR_IO_DEVICE;
      return false;
    }
    return ok;
  }
  bool ReadFile(platform::Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override {
    if (Fails(failRead, h, win::ERROR_CRC)) {
      bytesRead = 0;
      return false;
    }
    const bool cut = Fails(shortRead, h, 0);
    Advance(h, buffer.size());
    const bool ok = inner_.ReadFile(h, buffer, bytesRead);
    if (ok && cut) bytesRead -= 512;
    return ok;
  }
  bool WriteFile(platform::Handle h, std::span<const std::uint8_t> buffer,
                 std::uint32_t& bytesWritten) override {
    if (Fails(failWrite, h, win::ERROR_WRITE_FAULT)) {
      inner_.Sleep(failedWriteMs);
      if (failedWritesLand) inner_.WriteFile(h, buffer, bytesWritten);
      bytesWritten = 0;
      return false;
    }
    const bool cut = Fails(shortWrite, h, 0);
    auto at = position_.find(h);
    lastWrite_[h] = at != position_.end() ? at->second / 512 : -1;
    Advance(h, buffer.size());
    const bool ok = inner_.WriteFile(h, buffer, bytesWritten);
    if (ok && cut) bytesWritten -= 512;
    return ok;
  }
  bool SetFilePointerEx(platform::Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override {
    const bool ok = inner_.SetFilePointerEx(h, distance, newPosition, method);
    if (ok && method == win::FILE_BEGIN) position_[h] = distance;
    return ok;
  }
  bool LockFile(platform::Handle h, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                std::uint32_t d) override {
    return inner_.LockFile(h, a, b, c, d);
  }
  bool UnlockFile(platform::Handle h, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d) override {
    return inner_.UnlockFile(h, a, b, c, d);
  }
  bool FlushFileBuffers(platform::Handle h) override {
    auto last = lastWrite_.find(h);
    if (failFlush && last != lastWrite_.end() && failFlush(last->second)) {
      error_ = win::ERROR_IO_DEVICE;
      return false;
    }
    return inner_.FlushFileBuffers(h);
  }
  std::uint32_t GetLastError() override { return error_ != 0 ? error_ : inner_.GetLastError(); }
  bool GetDiskFreeSpaceExA(const std::string& d, std::uint64_t& a, std::uint64_t& b,
                           std::uint64_t& c) override {
    return inner_.GetDiskFreeSpaceExA(d, a, b, c);
  }
  bool GetVolumeInformationA(const std::string& root, std::span<char> label, std::uint32_t& serial,
                             std::uint32_t& maxComponentLength, std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override {
    return inner_.GetVolumeInformationA(root, label, serial, maxComponentLength, fileSystemFlags,
                                        fileSystemName);
  }
  std::vector<std::string> LogicalDrives() override { return inner_.LogicalDrives(); }
  int LastDriveNumberToList() override { return inner_.LastDriveNumberToList(); }
  platform::Handle CreateMutexA(const std::string& name) override { return inner_.CreateMutexA(name); }
  bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) override {
    return inner_.AppendStateFile(name, bytes);
  }
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) override {
    return inner_.ReadStateFile(name);
  }
  std::vector<std::string> StateFiles() override { return inner_.StateFiles(); }
  bool DeleteStateFile(const std::string& name) override { return inner_.DeleteStateFile(name); }
  std::string StateFolder() override { return inner_.StateFolder(); }
  int SystemDiskNumber() override { return inner_.SystemDiskNumber(); }
  std::vector<std::string> FindFiles(const std::string& pattern) override {
    return inner_.FindFiles(pattern);
  }
  int DeleteFiles(const std::string& pattern) override { return inner_.DeleteFiles(pattern); }
  platform::LocalTime Now() override { return inner_.Now(); }
  std::string GeneralDate(platform::LocalTime t) override { return inner_.GeneralDate(t); }
  std::uint32_t GetTickCount() override { return inner_.GetTickCount(); }
  void Sleep(std::uint32_t ms) override { inner_.Sleep(ms); }
  platform::NumberFormat UserNumberFormat() override { return inner_.UserNumberFormat(); }

 private:
  bool Fails(const std::function<bool(std::int64_t)>& rule, platform::Handle h,
             std::uint32_t error) {
    error_ = 0;
    auto at = position_.find(h);
    if (!rule || at == position_.end() || !rule(at->second / 512)) return false;
    error_ = error;
    return true;
  }
  void Advance(platform::Handle h, std::size_t bytes) {
    auto at = position_.find(h);
    if (at != position_.end()) at->second += static_cast<std::int64_t>(bytes);
  }

  platform::Os& inner_;
  std::map<platform::Handle, std::int64_t> position_;
  std::map<platform::Handle, std::int64_t> lastWrite_;
  std::uint32_t error_ = 0;
};

}  // namespace sw::testing
