// kernel32 behind the OS seam: handles travel as 64-bit integers (INVALID_HANDLE_VALUE is -1),
// buffers as spans, and the last error is kept per object.
#include "platform/win32/Win32Os.h"

#include <limits>

#include "platform/win32/PassThrough64.h"
#include "platform/win32/UniqueHandle.h"

#include <winioctl.h>
#include <ntddscsi.h>

namespace sw::platform::win32 {
namespace {

HANDLE ToWin(Handle h) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(h)); }
Handle FromWin(HANDLE h) { return static_cast<Handle>(reinterpret_cast<INT_PTR>(h)); }

// Transfers are counted in DWORDs; a larger span is the caller's mistake, not a short transfer.
bool FitsDword(std::size_t n) { return n <= std::numeric_limits<DWORD>::max(); }

// FILETIME counts 100 ns steps from 1601-01-01; our LocalTime counts seconds from 1970-01-01.
constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

// Devices ("\\.\E:", "\\.\PhysicalDrive2") are opened as they are; every other name is a file.
bool IsDevicePath(const std::string& name) { return name.rfind("\\\\.\\", 0) == 0; }

// What a test file's name must not stand for: data written to a link or a junction lands
// wherever it points, and a folder or a device is not a file at all.
constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

std::string LocaleText(LCTYPE what, const std::string& fallback) {
  char buf[16] = {};
  int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, what, buf, static_cast<int>(sizeof buf));
  return n > 0 ? std::string(buf) : fallback;
}

}  // namespace

bool Win32Os::Checked(bool ok) {
  if (!ok) lastError_ = ::GetLastError();
  return ok;
}

std::uint32_t Win32Os::GetLastError() { return lastError_; }

Handle Win32Os::CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition, std::uint32_t flags) {
  if (!IsDevicePath(name)) return OpenOrdinaryFile(name, access, share, disposition, flags);
  HANDLE h = ::CreateFileA(name.c_str(), access, share, nullptr, disposition, flags, nullptr);
  Checked(h != INVALID_HANDLE_VALUE);
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : FromWin(h);
}

Handle Win32Os::OpenOrdinaryFile(const std::string& name, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t disposition, std::uint32_t flags) {
  // The name itself must be the file. A name taken by a link is refused before the open, as
  // CREATE_ALWAYS would otherwise truncate its target; the open never follows one either, so a
  // link put there in between is what gets opened, and the check below then turns it away.
  const DWORD before = ::GetFileAttributesA(name.c_str());
  if (before != INVALID_FILE_ATTRIBUTES && (before & kNotAFile) != 0) {
    lastError_ = ERROR_ACCESS_DENIED;
    return kInvalidHandle;
  }
  // The attributes are read through the handle, which a write-only open could not do.
  UniqueKernelHandle h(::CreateFileA(name.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr,
                                     disposition, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!Checked(static_cast<bool>(h))) return kInvalidHandle;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!Checked(::GetFileInformationByHandle(h.get(), &info) != FALSE)) return kInvalidHandle;
  if ((info.dwFileAttributes & kNotAFile) != 0) {
    lastError_ = ERROR_ACCESS_DENIED;
    return kInvalidHandle;
  }
  return FromWin(h.release());
}

bool Win32Os::CloseHandle(Handle h) { return Checked(::CloseHandle(ToWin(h)) != FALSE); }

Handle Win32Os::CreateMutexA(const std::string& name) {
  HANDLE h = ::CreateMutexA(nullptr, FALSE, name.c_str());
  if (!Checked(h != nullptr)) return kInvalidHandle;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    // Windows hands out the other holder's mutex; holding it would claim nothing.
    ::CloseHandle(h);
    lastError_ = ERROR_ALREADY_EXISTS;
    return kInvalidHandle;
  }
  return FromWin(h);
}

bool Win32Os::DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                              std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  if (!FitsDword(in.size() + kNativeSptGrowth) || !FitsDword(out.size() + kNativeSptGrowth)) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  DWORD got = 0;
  if (code == IOCTL_SCSI_PASS_THROUGH && NeedsNativePassThrough(in)) {
    std::vector<std::uint8_t> native = ToNativePassThrough(in, out.size());
    DWORD outSize = out.empty() ? 0 : static_cast<DWORD>(out.size() + kNativeSptGrowth);
    bool ok = ::DeviceIoControl(ToWin(h), code, native.data(),
                                static_cast<DWORD>(in.size() + kNativeSptGrowth),
                                outSize ? native.data() : nullptr, outSize, &got, nullptr) != FALSE;
    if (!Checked(ok)) return false;
    bytesReturned = FromNativePassThrough(native, got, out);
    return true;
  }
  // METHOD_BUFFERED controls never write through the input pointer; the cast only fits the API.
  void* inPtr = in.empty() ? nullptr : const_cast<std::uint8_t*>(in.data());
  void* outPtr = out.empty() ? nullptr : out.data();
  bool ok = ::DeviceIoControl(ToWin(h), code, inPtr, static_cast<DWORD>(in.size()), outPtr,
                              static_cast<DWORD>(out.size()), &got, nullptr) != FALSE;
  if (!Checked(ok)) return false;
  bytesReturned = got;
  return true;
}

bool Win32Os::ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) {
  bytesRead = 0;
  if (!FitsDword(buffer.size())) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  DWORD got = 0;
  bool ok = ::ReadFile(ToWin(h), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) !=
            FALSE;
  bytesRead = got;
  return Checked(ok);
}

bool Win32Os::WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                        std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  if (!FitsDword(buffer.size())) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  DWORD put = 0;
  bool ok = ::WriteFile(ToWin(h), buffer.data(), static_cast<DWORD>(buffer.size()), &put,
                        nullptr) != FALSE;
  bytesWritten = put;
  return Checked(ok);
}

bool Win32Os::SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                               std::uint32_t method) {
  LARGE_INTEGER d;
  d.QuadPart = distance;
  LARGE_INTEGER now;
  now.QuadPart = 0;
  bool ok = ::SetFilePointerEx(ToWin(h), d, &now, method) != FALSE;
  if (ok && newPosition) *newPosition = now.QuadPart;
  return Checked(ok);
}

bool Win32Os::LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                       std::uint32_t lengthLow, std::uint32_t lengthHigh) {
  return Checked(::LockFile(ToWin(h), offsetLow, offsetHigh, lengthLow, lengthHigh) != FALSE);
}

bool Win32Os::UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                         std::uint32_t lengthLow, std::uint32_t lengthHigh) {
  return Checked(::UnlockFile(ToWin(h), offsetLow, offsetHigh, lengthLow, lengthHigh) != FALSE);
}

bool Win32Os::FlushFileBuffers(Handle h) { return Checked(::FlushFileBuffers(ToWin(h)) != FALSE); }

bool Win32Os::GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                                  std::uint64_t& totalBytes, std::uint64_t& totalFree) {
  ULARGE_INTEGER caller{}, total{}, free{};
  if (!Checked(::GetDiskFreeSpaceExA(directory.c_str(), &caller, &total, &free) != FALSE)) {
    return false;
  }
  freeToCaller = caller.QuadPart;
  totalBytes = total.QuadPart;
  totalFree = free.QuadPart;
  return true;
}

bool Win32Os::GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                                std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                                std::uint32_t& totalClusters) {
  DWORD perCluster = 0, perSector = 0, free = 0, total = 0;
  // The API wants a root with its backslash ("E:\"); the callers pass "E:".
  const std::string withSlash = root.size() == 2 ? root + "\\" : root;
  const bool ok = Checked(
      ::GetDiskFreeSpaceA(withSlash.c_str(), &perCluster, &perSector, &free, &total) != FALSE);
  sectorsPerCluster = perCluster;
  bytesPerSector = perSector;
  freeClusters = free;
  totalClusters = total;
  return ok;
}

bool Win32Os::GetVolumeInformationA(const std::string& root, std::span<char> label,
                                    std::uint32_t& serial, std::uint32_t& maxComponentLength,
                                    std::uint32_t& fileSystemFlags,
                                    std::span<char> fileSystemName) {
  // The API wants a root with its backslash ("E:\"); a bare "E:" would name the current
  // folder of E: and fail, so the designator the drive list passes is completed here.
  std::string path = root;
  if (path.size() == 2 && path[1] == ':') path += '\\';
  DWORD s = 0, maxLen = 0, fsFlags = 0;
  bool ok = ::GetVolumeInformationA(path.c_str(), label.empty() ? nullptr : label.data(),
                                    static_cast<DWORD>(label.size()), &s, &maxLen, &fsFlags,
                                    fileSystemName.empty() ? nullptr : fileSystemName.data(),
                                    static_cast<DWORD>(fileSystemName.size())) != FALSE;
  if (!Checked(ok)) return false;
  serial = s;
  maxComponentLength = maxLen;
  fileSystemFlags = fsFlags;
  return true;
}

std::vector<std::string> Win32Os::LogicalDrives() {
  DWORD mask = ::GetLogicalDrives();
  std::vector<std::string> letters;
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) letters.push_back({static_cast<char>('A' + i), ':'});
  }
  return letters;
}

int Win32Os::SystemDiskNumber() {
  char dir[MAX_PATH + 1] = {};
  UINT n = ::GetWindowsDirectoryA(dir, MAX_PATH);
  if (n < 2 || n >= MAX_PATH || dir[1] != ':') return -1;
  std::string volume = std::string("\\\\.\\") + dir[0] + ':';
  UniqueKernelHandle h(::CreateFileA(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  if (!h) return -1;
  STORAGE_DEVICE_NUMBER number{};
  DWORD got = 0;
  bool ok = ::DeviceIoControl(h.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                              sizeof number, &got, nullptr) != FALSE;
  if (!ok || got < sizeof number || number.DeviceType != FILE_DEVICE_DISK) return -1;
  return static_cast<int>(number.DeviceNumber);
}

std::vector<std::string> Win32Os::FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  UniqueFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
  if (!Checked(static_cast<bool>(search))) return names;
  // Only these are the program's to read or delete: deleting a link would remove what the user
  // put there, not a test file.
  constexpr DWORD kNotOrdinary = kNotAFile | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & kNotOrdinary) == 0) names.emplace_back(found.cFileName);
  } while (::FindNextFileA(search.get(), &found));
  return names;
}

std::vector<std::string> Win32Os::FindNonRegularFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  UniqueFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
  if (!search) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != ".." && (found.dwFileAttributes & kNotAFile) != 0) names.push_back(name);
  } while (::FindNextFileA(search.get(), &found));
  return names;
}

int Win32Os::DeleteFiles(const std::string& pattern) {
  // The names found carry no folder; they live where the pattern points.
  std::string folder;
  if (auto slash = pattern.find_last_of("\\/"); slash != std::string::npos) {
    folder = pattern.substr(0, slash + 1);
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    folder = pattern.substr(0, 2);
  }
  int deleted = 0;
  for (const std::string& name : FindFiles(pattern)) {
    if (Checked(::DeleteFileA((folder + name).c_str()) != FALSE)) ++deleted;
  }
  return deleted;
}

LocalTime Win32Os::Now() {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  // Converted as if it were UTC: the count is of local wall-clock seconds.
  FILETIME ft{};
  ::SystemTimeToFileTime(&local, &ft);
  ULARGE_INTEGER ticks;
  ticks.LowPart = ft.dwLowDateTime;
  ticks.HighPart = ft.dwHighDateTime;
  return static_cast<LocalTime>(ticks.QuadPart / kFileTimeTicksPerSecond) - kSecondsFrom1601To1970;
}

std::string Win32Os::GeneralDate(LocalTime t) {
  if (t < -kSecondsFrom1601To1970) return {};
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<ULONGLONG>(t + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond;
  FILETIME ft{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME st{};
  if (!::FileTimeToSystemTime(&ft, &st)) return {};
  char date[80] = {};
  char time[80] = {};
  if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date) == 0 ||
      ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time) == 0) {
    return {};
  }
  return std::string(date) + ' ' + time;
}

std::uint32_t Win32Os::GetTickCount() { return ::GetTickCount(); }

void Win32Os::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

NumberFormat Win32Os::UserNumberFormat() {
  NumberFormat defaults;
  return {LocaleText(LOCALE_STHOUSAND, defaults.thousands),
          LocaleText(LOCALE_SDECIMAL, defaults.decimal)};
}

}  // namespace sw::platform::win32
