// A physical drive for tests whose one partition is a regular file: the drive's bytes from
// `base` on are the file's, so fsck.fat, mtools and blkid read the partition as written; a
// transfer outside it fails and is counted, so a write past the partition cannot go unseen.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/Os.h"
#include "platform/WinApi.h"

namespace sw::testing {

class PartitionImageOs final : public platform::Os {
 public:
  PartitionImageOs(std::string path, std::uint64_t base, std::uint64_t bytes, std::uint32_t sectorBytes)
      : path_(std::move(path)), base_(base), bytes_(bytes), sectorBytes_(sectorBytes) {}
  ~PartitionImageOs() override {
    if (fd_ >= 0) ::close(fd_);
  }

  // --- Script ---
  // A write that touches this partition byte fails (the device's answer, as a stick gives it).
  std::optional<std::uint64_t> failWriteAt;
  // The flush with this number (from 1) fails.
  int failFlush = 0;
  // Zero pieces are not stored: a new sparse file reads zeros there anyway, and a 2 TiB volume's
  // FATs would otherwise fill the test machine's disk.
  bool sparseZeros = false;
  platform::LocalTime now = 1'796'886'000;  // 2026-12-10 07:00:00

  // --- What happened ---
  int writesOutside = 0;
  int writes = 0;
  int flushes = 0;
  int writesAfterLastFlush = 0;
  std::uint64_t lowestWrite = UINT64_MAX;
  std::uint64_t highestWriteEnd = 0;

  platform::Handle CreateFileA(const std::string& name, std::uint32_t, std::uint32_t, std::uint32_t,
                               std::uint32_t) override {
    if (name.find("PhysicalDrive") == std::string::npos || fd_ >= 0) return FailedOpen(win::ERROR_ACCESS_DENIED);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    return fd_ < 0 ? FailedOpen(win::ERROR_FILE_NOT_FOUND) : kHandle;
  }
  bool CloseHandle(platform::Handle h) override {
    if (h != kHandle || fd_ < 0) return false;
    ::close(fd_);
    fd_ = -1;
    return true;
  }
  bool DeviceIoControl(platform::Handle h, std::uint32_t code, std::span<const std::uint8_t>,
                       std::span<std::uint8_t> out, std::uint32_t& returned) override {
    returned = 0;
    if (h != kHandle || code != win::IOCTL_DISK_GET_DRIVE_GEOMETRY || out.size() < win::kDiskGeometrySize) {
      return Failed(win::ERROR_INVALID_FUNCTION);
    }
    std::fill(out.begin(), out.end(), 0);
    platform::PutLe32(out, win::kDiskGeometryBytesPerSector, sectorBytes_);
    returned = win::kDiskGeometrySize;
    return true;
  }
  bool SetFilePointerEx(platform::Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override {
    if (h != kHandle || method != win::FILE_BEGIN || distance < 0) return Failed(win::ERROR_INVALID_PARAMETER);
    position_ = static_cast<std::uint64_t>(distance);
    if (newPosition) *newPosition = distance;
    return true;
  }
  bool ReadFile(platform::Handle h, std::span<std::uint8_t> buffer, std::uint32_t& done) override {
    done = 0;
    if (h != kHandle || !Inside(buffer.size())) return Failed(win::ERROR_SECTOR_NOT_FOUND);
    const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(position_ - base_));
    if (n < 0) return Failed(win::ERROR_READ_FAULT);
    std::fill(buffer.begin() + n, buffer.end(), 0);  // past the file's end: never written
    done = static_cast<std::uint32_t>(buffer.size());
    position_ += buffer.size();
    return true;
  }
  bool WriteFile(platform::Handle h, std::span<const std::uint8_t> buffer, std::uint32_t& done) override {
    done = 0;
    ++writes;
    ++writesAfterLastFlush;
    if (h != kHandle) return Failed(win::ERROR_INVALID_HANDLE);
    if (!Inside(buffer.size())) {
      ++writesOutside;
      return Failed(win::ERROR_SECTOR_NOT_FOUND);
    }
    const std::uint64_t at = position_ - base_;
    if (failWriteAt && *failWriteAt >= at && *failWriteAt < at + buffer.size()) return Failed(win::ERROR_WRITE_FAULT);
    lowestWrite = std::min(lowestWrite, at);
    highestWriteEnd = std::max(highestWriteEnd, at + buffer.size());
    const bool zeros = std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; });
    if (!(sparseZeros && zeros)) {
      if (::pwrite(fd_, buffer.data(), buffer.size(), static_cast<off_t>(at)) != static_cast<ssize_t>(buffer.size())) {
        return Failed(win::ERROR_WRITE_FAULT);
      }
    }
    done = static_cast<std::uint32_t>(buffer.size());
    position_ += buffer.size();
    return true;
  }
  bool LockFile(platform::Handle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override { return true; }
  bool UnlockFile(platform::Handle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override { return true; }
  bool FlushFileBuffers(platform::Handle h) override {
    if (h != kHandle) return false;
    if (++flushes == failFlush) return Failed(win::ERROR_IO_DEVICE);
    writesAfterLastFlush = 0;
    return true;
  }
  std::uint32_t GetLastError() override { return error_; }

  bool GetDiskFreeSpaceExA(const std::string&, std::uint64_t&, std::uint64_t&, std::uint64_t&) override { return false; }
  bool GetVolumeInformationA(const std::string&, std::span<char>, std::uint32_t&, std::uint32_t&, std::uint32_t&,
                             std::span<char>) override {
    return false;
  }
  std::vector<std::string> LogicalDrives() override { return {}; }
  int SystemDiskNumber() override { return 0; }
  std::vector<std::string> FindFiles(const std::string&) override { return {}; }
  int DeleteFiles(const std::string&) override { return 0; }
  platform::LocalTime Now() override { return now; }
  std::string GeneralDate(platform::LocalTime) override { return {}; }
  std::uint32_t GetTickCount() override { return 0; }
  void Sleep(std::uint32_t) override {}
  platform::Handle CreateMutexA(const std::string&) override { return FailedOpen(win::ERROR_INVALID_FUNCTION); }
  bool AppendStateFile(const std::string&, std::span<const std::uint8_t>) override { return false; }
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string&) override { return std::nullopt; }
  std::vector<std::string> StateFiles() override { return {}; }
  bool DeleteStateFile(const std::string&) override { return false; }
  std::string StateFolder() override { return {}; }
  platform::NumberFormat UserNumberFormat() override { return {}; }

 private:
  static constexpr platform::Handle kHandle = 7;

  bool Inside(std::uint64_t length) const { return position_ >= base_ && position_ + length <= base_ + bytes_; }
  bool Failed(std::uint32_t error) {
    error_ = error;
    return false;
  }
  platform::Handle FailedOpen(std::uint32_t error) {
    error_ = error;
    return platform::kInvalidHandle;
  }

  std::string path_;
  std::uint64_t base_;
  std::uint64_t bytes_;
  std::uint32_t sectorBytes_;
  int fd_ = -1;
  std::uint64_t position_ = 0;
  std::uint32_t error_ = 0;
};

}  // namespace sw::testing
