// An Os that passes every call on to the simulated machine and records what the test file
// routines asked of it: the opens with their flags, the size (and, on request, the bytes) of
// every write, and the reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "platform/WinApi.h"

namespace sw::filetest::testing {

struct OpenCall {
  std::string name;
  std::uint32_t access;
  std::uint32_t share;
  std::uint32_t disposition;
  std::uint32_t flags;
};

class FileCallRecorder final : public platform::Os {
 public:
  using Handle = platform::Handle;
  explicit FileCallRecorder(platform::Os& real) : real_(real) {}

  std::vector<OpenCall> opens;
  std::vector<std::size_t> writeSizes;
  std::vector<bool> writeResults;
  std::vector<std::vector<std::uint8_t>> writeData;  // only with keepWriteData
  bool keepWriteData = false;
  std::function<void()> onWrite;  // called before each write is passed on (a slow device)
  std::function<void()> onRead;   // and before each read
  std::function<void(std::size_t)> onReadBytes;  // with the bytes it asks for (a pace per byte)
  // Called before each write; a non-zero result fails the write with that system error code
  // instead of passing it on (another program filling the volume, say).
  std::function<std::uint32_t()> writeFault;
  // The same for each flush.
  std::function<std::uint32_t()> flushFault;
  // The same for each read, and for each open of a file for reading (by its name).
  std::function<std::uint32_t()> readFault;
  std::function<std::uint32_t(const std::string&)> openFault;
  int reads = 0;
  // Free space kept back from the caller, as ext4 keeps 5 % for root: the caller's free figure
  // is this much less than all the free blocks.
  std::uint64_t reservedBytes = 0;

  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override {
    opens.push_back({name, access, share, disposition, flags});
    injectedError_ = openFault && disposition == win::OPEN_EXISTING ? openFault(name) : 0;
    if (injectedError_ != 0) return platform::kInvalidHandle;
    return real_.CreateFileA(name, access, share, disposition, flags);
  }
  bool CloseHandle(Handle h) override { return real_.CloseHandle(h); }
  bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override {
    return real_.DeviceIoControl(h, code, in, out, bytesReturned);
  }
  bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override {
    ++reads;
    if (onRead) onRead();
    if (onReadBytes) onReadBytes(buffer.size());
    injectedError_ = readFault ? readFault() : 0;
    if (injectedError_ != 0) {
      bytesRead = 0;
      return false;
    }
    return real_.ReadFile(h, buffer, bytesRead);
  }
  bool WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                 std::uint32_t& bytesWritten) override {
    if (onWrite) onWrite();
    injectedError_ = writeFault ? writeFault() : 0;
    if (injectedError_ != 0) {
      writeSizes.push_back(buffer.size());
      writeResults.push_back(false);
      bytesWritten = 0;
      return false;
    }
    writeSizes.push_back(buffer.size());
    if (keepWriteData) writeData.emplace_back(buffer.begin(), buffer.end());
    const bool ok = real_.WriteFile(h, buffer, bytesWritten);
    writeResults.push_back(ok);
    return ok;
  }
  bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override {
    return real_.SetFilePointerEx(h, distance, newPosition, method);
  }
  bool LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                std::uint32_t lengthLow, std::uint32_t lengthHigh) override {
    return real_.LockFile(h, offsetLow, offsetHigh, lengthLow, lengthHigh);
  }
  bool UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                  std::uint32_t lengthLow, std::uint32_t lengthHigh) override {
    return real_.UnlockFile(h, offsetLow, offsetHigh, lengthLow, lengthHigh);
  }
  bool FlushFileBuffers(Handle h) override {
    injectedError_ = flushFault ? flushFault() : 0;
    if (injectedError_ != 0) return false;
    return real_.FlushFileBuffers(h);
  }
  std::uint32_t GetLastError() override {
    return injectedError_ != 0 ? injectedError_ : real_.GetLastError();
  }
  std::string CacheBypassNote(Handle h) override { return real_.CacheBypassNote(h); }
  bool GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                         std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                         std::uint32_t& totalClusters) override {
    return real_.GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters,
                                   totalClusters);
  }
  bool GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                           std::uint64_t& totalBytes, std::uint64_t& totalFree) override {
    if (!real_.GetDiskFreeSpaceExA(directory, freeToCaller, totalBytes, totalFree)) return false;
    freeToCaller = freeToCaller > reservedBytes ? freeToCaller - reservedBytes : 0;
    return true;
  }
  bool GetVolumeInformationA(const std::string& root, std::span<char> label, std::uint32_t& serial,
                             std::uint32_t& maxComponentLength, std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override {
    return real_.GetVolumeInformationA(root, label, serial, maxComponentLength, fileSystemFlags,
                                       fileSystemName);
  }
  std::vector<std::string> LogicalDrives() override { return real_.LogicalDrives(); }
  int LastDriveNumberToList() override { return real_.LastDriveNumberToList(); }
  Handle CreateMutexA(const std::string& name) override { return real_.CreateMutexA(name); }
  bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) override {
    return real_.AppendStateFile(name, bytes);
  }
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) override {
    return real_.ReadStateFile(name);
  }
  std::vector<std::string> StateFiles() override { return real_.StateFiles(); }
  bool DeleteStateFile(const std::string& name) override { return real_.DeleteStateFile(name); }
  std::string StateFolder() override { return real_.StateFolder(); }
  int SystemDiskNumber() override { return real_.SystemDiskNumber(); }
  std::vector<std::string> FindFiles(const std::string& pattern) override {
    return real_.FindFiles(pattern);
  }
  int DeleteFiles(const std::string& pattern) override { return real_.DeleteFiles(pattern); }
  platform::LocalTime Now() override { return real_.Now(); }
  std::string GeneralDate(platform::LocalTime t) override { return real_.GeneralDate(t); }
  std::uint32_t GetTickCount() override { return real_.GetTickCount(); }
  void Sleep(std::uint32_t milliseconds) override { real_.Sleep(milliseconds); }
  platform::NumberFormat UserNumberFormat() override { return real_.UserNumberFormat(); }

  // Names the volume holds as something other than an ordinary file (a folder, a link).
  std::vector<std::string> nonRegular;
  std::vector<std::string> FindNonRegularFiles(const std::string& pattern) override {
    (void)pattern;
    return nonRegular;
  }

 private:
  platform::Os& real_;
  std::uint32_t injectedError_ = 0;
};

}  // namespace sw::filetest::testing
