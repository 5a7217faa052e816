// FormatPartition on Windows: the new partition's volume found by its disk extent, then the
// system's own formatter, format.com, run on that volume's name with its answers given on its
// input and its last words kept for the report.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Os.h"

#include <winioctl.h>

namespace sw::platform::win32 {
namespace {

struct VolumeFindTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Value h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Value h) { ::FindVolumeClose(h); }
};
using UniqueVolumeFind = UniqueHandle<VolumeFindTraits>;

// The system shows the volume of a new partition a moment after the layout is set.
constexpr int kVolumeLooks = 40;
constexpr DWORD kVolumeLookPauseMs = 250;
// A quick format of a stick takes seconds; one that has not ended by then never will.
constexpr DWORD kFormatMs = 10 * 60 * 1000;

std::string ErrorText(const char* what, DWORD error) { return std::string(what) + " (error " + std::to_string(error) + ")"; }

// Where partition `partition` of the disk starts, or -1 with the error.
LONGLONG PartitionOffset(int diskNumber, std::uint32_t partition, DWORD& error) {
  const std::string disk = "\\\\.\\PhysicalDrive" + std::to_string(diskNumber);
  UniqueKernelHandle h(::CreateFileA(disk.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  if (!h) {
    error = ::GetLastError();
    return -1;
  }
  std::vector<std::uint8_t> buffer(sizeof(DRIVE_LAYOUT_INFORMATION_EX) + 128 * sizeof(PARTITION_INFORMATION_EX));
  DWORD got = 0;
  if (!::DeviceIoControl(h.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &got, nullptr)) {
    error = ::GetLastError();
    return -1;
  }
  const auto* layout = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(buffer.data());
  // The fix has just laid out one partition: a disk with more is not the one it laid out (its
  // number given to another disk in between), and nothing of it is formatted.
  LONGLONG offset = -1;
  int partitions = 0;
  for (DWORD i = 0; i < layout->PartitionCount; ++i) {
    const PARTITION_INFORMATION_EX& p = layout->PartitionEntry[i];
    if (p.PartitionLength.QuadPart == 0) continue;
    ++partitions;
    if (p.PartitionNumber == partition) offset = p.StartingOffset.QuadPart;
  }
  if (partitions != 1 || offset < 0) {
    error = ERROR_NOT_FOUND;
    return -1;
  }
  return offset;
}

// The volume name ("\\?\Volume{...}\") whose one extent starts at offset on the disk; empty
// when the system shows none.
std::string VolumeAt(int diskNumber, LONGLONG offset) {
  char name[MAX_PATH] = {};
  UniqueVolumeFind find(::FindFirstVolumeA(name, MAX_PATH));
  if (!find) return {};
  do {
    std::string volume(name);
    if (volume.empty() || volume.back() != '\\') continue;
    // Opened for no access: the extents may be asked of a volume another program holds.
    UniqueKernelHandle h(::CreateFileA(volume.substr(0, volume.size() - 1).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) continue;
    VOLUME_DISK_EXTENTS extents{};
    DWORD got = 0;
    // A volume of more than one extent (spanned, striped) is never the new partition: the
    // control fails for it with ERROR_MORE_DATA and it is passed over.
    if (!::DeviceIoControl(h.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof extents,
                           &got, nullptr)) {
      continue;
    }
    if (extents.NumberOfDiskExtents == 1 && extents.Extents[0].DiskNumber == static_cast<DWORD>(diskNumber) &&
        extents.Extents[0].StartingOffset.QuadPart == offset) {
      return volume;
    }
  } while (::FindNextVolumeA(find.get(), name, MAX_PATH));
  return {};
}

// The last line format.com wrote that says something (its progress overwrites itself with CRs).
std::string LastWords(const std::string& output) {
  std::string last;
  std::string line;
  for (const char c : output + "\n") {
    if (c == '\r' || c == '\n') {
      if (line.find_first_not_of(' ') != std::string::npos) last = line;
      line.clear();
    } else {
      line += c;
    }
  }
  return last;
}

struct Ran {
  bool started = false;
  DWORD error = 0;
  DWORD exitCode = 0;
  std::string output;
};

// Runs the command line with its input given and its output (both streams) kept.
Ran RunWithInput(const std::string& program, std::string commandLine, const std::string& input) {
  Ran ran;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE rawInRead = nullptr, rawInWrite = nullptr, rawOutRead = nullptr, rawOutWrite = nullptr;
  if (!::CreatePipe(&rawInRead, &rawInWrite, &inherit, 4096)) {
    ran.error = ::GetLastError();
    return ran;
  }
  UniqueKernelHandle inRead(rawInRead), inWrite(rawInWrite);
  if (!::CreatePipe(&rawOutRead, &rawOutWrite, &inherit, 0)) {
    ran.error = ::GetLastError();
    return ran;
  }
  UniqueKernelHandle outRead(rawOutRead), outWrite(rawOutWrite);
  // Only the child's ends are inherited: an inherited parent end would keep the pipe open.
  ::SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
  DWORD written = 0;
  ::WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  inWrite.reset();  // the formatter reads the end of its input after the answers

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = outWrite.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
    ran.error = ::GetLastError();
    return ran;
  }
  ran.started = true;
  UniqueKernelHandle processHandle(process.hProcess), thread(process.hThread);
  inRead.reset();
  outWrite.reset();
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(outRead.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) ran.output.append(chunk, got);
  if (::WaitForSingleObject(processHandle.get(), kFormatMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(processHandle.get(), 1);
    ran.error = WAIT_TIMEOUT;
    return ran;
  }
  ::GetExitCodeProcess(processHandle.get(), &ran.exitCode);
  return ran;
}

const char* FormatName(const std::string& fileSystem) {
  if (fileSystem == "fat32") return "FAT32";
  if (fileSystem == "exfat") return "exFAT";
  if (fileSystem == "ntfs") return "NTFS";
  return nullptr;
}

}  // namespace

bool Win32Os::FormatsFat32(std::uint64_t partitionBytes) { return partitionBytes <= kWindowsFat32Limit; }

std::string Win32Os::FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                                     const std::string& label) {
  const char* name = FormatName(fileSystem);
  if (!name) return "Windows makes no " + fileSystem + " file system: choose fat32, exfat or ntfs";
  DWORD error = 0;
  const LONGLONG offset = PartitionOffset(diskNumber, partition, error);
  if (offset < 0) return ErrorText("the new partition could not be found in the drive's layout", error);
  std::string volume;
  for (int look = 0; look < kVolumeLooks && volume.empty(); ++look) {
    if (look > 0) ::Sleep(kVolumeLookPauseMs);
    volume = VolumeAt(diskNumber, offset);
  }
  if (volume.empty()) return "Windows shows no volume for the new partition: replug the stick and format it";

  char system[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ErrorText("the Windows system folder was not found", ::GetLastError());
  const std::string program = std::string(system) + "\\format.com";
  // Quick, with the volume dismounted first should anything hold it; the label is checked
  // before (letters, digits, blanks, '_' and '-') and quoted for its blanks.
  const std::string commandLine = "\"" + program + "\" " + volume + " /FS:" + name + " /V:\"" + label + "\" /Q /X";
  // Answers to its questions, whichever it asks and in whichever order: a line ends the wait for
  // the disk, and "Y" goes ahead with the format.
  const Ran ran = RunWithInput(program, commandLine, "Y\r\nY\r\nY\r\n");
  if (!ran.started) return ErrorText("format.com could not be started", ran.error);
  if (ran.error == WAIT_TIMEOUT) return "format.com did not end within ten minutes and was stopped";
  if (ran.exitCode != 0) {
    const std::string words = LastWords(ran.output);
    return "format.com ended with code " + std::to_string(ran.exitCode) + (words.empty() ? "" : ": " + words);
  }
  return {};
}

}  // namespace sw::platform::win32
