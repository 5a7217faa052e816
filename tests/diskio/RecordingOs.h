// An Os that passes every call on to another (the simulated machine) and keeps a log of the
// device calls with their arguments and results, for checks of what reached the system.
#pragma once

#include <string>
#include <vector>

#include "platform/Os.h"

namespace sw::testing {

struct OpenRecord {
  std::string name;
  std::uint32_t access;
  std::uint32_t share;
  std::uint32_t disposition;
  std::uint32_t flags;
  platform::Handle result;
};

struct ControlRecord {
  platform::Handle h;
  std::uint32_t code;
  std::size_t inBytes;
  std::size_t outBytes;
  bool result;
};

class RecordingOs final : public platform::Os {
 public:
  using Handle = platform::Handle;
  explicit RecordingOs(platform::Os& real) : real_(real) {}

  std::vector<OpenRecord> opens;
  std::vector<ControlRecord> controls;
  std::vector<Handle> closes;
  std::vector<std::uint32_t> sleeps;

  // Every device call in order, as short texts ("open \\.\E:", "control 90018", "close").
  std::vector<std::string> calls;

  // The handle of the last successful open of name with these flags, or -1.
  Handle LastOpened(const std::string& name, std::uint32_t flags) const {
    for (auto it = opens.rbegin(); it != opens.rend(); ++it) {
      if (it->name == name && it->flags == flags && it->result != platform::kInvalidHandle) {
        return it->result;
      }
    }
    return platform::kInvalidHandle;
  }
  std::size_t ControlCount(std::uint32_t code) const {
    std::size_t n = 0;
    for (const ControlRecord& c : controls) n += c.code == code ? 1 : 0;
    return n;
  }
  void Clear() {
    opens.clear();
    controls.clear();
    closes.clear();
    sleeps.clear();
    calls.clear();
  }

  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override {
    const Handle h = real_.CreateFileA(name, access, share, disposition, flags);
    opens.push_back({name, access, share, disposition, flags, h});
    calls.push_back("open " + name);
    return h;
  }
  bool CloseHandle(Handle h) override {
    closes.push_back(h);
    calls.push_back("close " + std::to_string(h));
    return real_.CloseHandle(h);
  }
  bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override {
    const bool ok = real_.DeviceIoControl(h, code, in, out, bytesReturned);
    controls.push_back({h, code, in.size(), out.size(), ok});
    calls.push_back("control " + std::to_string(code));
    return ok;
  }
  bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override {
    calls.push_back("read " + std::to_string(buffer.size()));
    return real_.ReadFile(h, buffer, bytesRead);
  }
  bool WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                 std::uint32_t& bytesWritten) override {
    calls.push_back("write " + std::to_string(buffer.size()));
    return real_.WriteFile(h, buffer, bytesWritten);
  }
  bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override {
    calls.push_back("seek " + std::to_string(distance));
    return real_.SetFilePointerEx(h, distance, newPosition, method);
  }
  bool LockFile(Handle h, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                std::uint32_t d) override {
    calls.push_back("lockfile");
    return real_.LockFile(h, a, b, c, d);
  }
  bool UnlockFile(Handle h, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d) override {
    calls.push_back("unlockfile");
    return real_.UnlockFile(h, a, b, c, d);
  }
  bool FlushFileBuffers(Handle h) override {
    calls.push_back("flush");
    return real_.FlushFileBuffers(h);
  }
  std::uint32_t GetLastError() override { return real_.GetLastError(); }
  bool GetDiskFreeSpaceExA(const std::string& d, std::uint64_t& a, std::uint64_t& b,
                           std::uint64_t& c) override {
    return real_.GetDiskFreeSpaceExA(d, a, b, c);
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
  std::vector<std::string> FindFiles(const std::string& p) override { return real_.FindFiles(p); }
  int DeleteFiles(const std::string& p) override { return real_.DeleteFiles(p); }
  platform::LocalTime Now() override { return real_.Now(); }
  std::string GeneralDate(platform::LocalTime t) override { return real_.GeneralDate(t); }
  std::uint32_t GetTickCount() override { return real_.GetTickCount(); }
  void Sleep(std::uint32_t ms) override {
    sleeps.push_back(ms);
    real_.Sleep(ms);
  }
  platform::NumberFormat UserNumberFormat() override { return real_.UserNumberFormat(); }

 private:
  platform::Os& real_;
};

}  // namespace sw::testing
