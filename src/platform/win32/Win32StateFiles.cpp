// The program's own files between runs on Windows: in the user's local application data, opened
// as ordinary files only and flushed to the disk before an append returns.
#include <algorithm>

#include "platform/StateFileName.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Os.h"

namespace sw::platform::win32 {

std::string Win32Os::StateFolder() {
  char base[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableA("LOCALAPPDATA", base, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(base) + "\\SizeWarden";
}

bool Win32Os::AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  const std::string folder = StateFolder();
  if (!IsPlainStateFileName(name) || folder.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return false;
  }
  if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return Checked(false);
  }
  const Handle h = CreateFileA(folder + "\\" + name, FILE_APPEND_DATA, 0, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
  if (h == kInvalidHandle) return false;
  UniqueKernelHandle file(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(h)));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto n = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD wrote = 0;
    if (!Checked(::WriteFile(file.get(), bytes.data() + done, n, &wrote, nullptr) != FALSE)) return false;
    if (wrote == 0) {
      lastError_ = ERROR_DISK_FULL;
      return false;
    }
    done += wrote;
  }
  return Checked(::FlushFileBuffers(file.get()) != FALSE);
}

std::optional<std::vector<std::uint8_t>> Win32Os::ReadStateFile(const std::string& name) {
  const std::string folder = StateFolder();
  if (!IsPlainStateFileName(name) || folder.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  const Handle h = CreateFileA(folder + "\\" + name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL);
  if (h == kInvalidHandle) return std::nullopt;
  UniqueKernelHandle file(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(h)));
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (!Checked(::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) != FALSE)) return std::nullopt;
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

std::vector<std::string> Win32Os::StateFiles() {
  std::vector<std::string> names;
  const std::string folder = StateFolder();
  if (folder.empty()) return names;
  for (const std::string& name : FindFiles(folder + "\\*")) {
    if (IsPlainStateFileName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Win32Os::DeleteStateFile(const std::string& name) {
  const std::string folder = StateFolder();
  if (!IsPlainStateFileName(name) || folder.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return false;
  }
  return Checked(::DeleteFileA((folder + "\\" + name).c_str()) != FALSE);
}

}  // namespace sw::platform::win32
