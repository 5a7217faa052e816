// The program's own files between runs on Linux: plain files in stateDir, written with fsync of
// the file and of the folder, so that what AppendStateFile returned for survives a power cut.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/StateFileName.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {

namespace {

bool SyncFolder(const std::filesystem::path& dir) {
  UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace

bool LinuxOs::AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (!IsPlainStateFileName(name)) return Fail(win::ERROR_INVALID_NAME);
  if (!OwnFolder(paths_.stateDir)) return Fail(win::ERROR_ACCESS_DENIED);
  const std::filesystem::path file = paths_.stateDir / name;
  const bool existed = ::access(file.c_str(), F_OK) == 0;
  UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.valid()) return FailErrno(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return Fail(win::ERROR_ACCESS_DENIED);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FailErrno(n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0) return FailErrno(errno);
  // A new file is only found after a crash once its folder entry is on the disk too.
  if (!existed && !SyncFolder(paths_.stateDir)) return FailErrno(errno);
  return true;
}

std::optional<std::vector<std::uint8_t>> LinuxOs::ReadStateFile(const std::string& name) {
  if (!IsPlainStateFileName(name)) {
    Fail(win::ERROR_INVALID_NAME);
    return std::nullopt;
  }
  UniqueFd fd(::open((paths_.stateDir / name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) {
    FailErrno(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    Fail(win::ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      FailErrno(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

std::vector<std::string> LinuxOs::StateFiles() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& e : std::filesystem::directory_iterator(paths_.stateDir, error)) {
    const std::string name = e.path().filename().string();
    if (IsPlainStateFileName(name) && e.is_regular_file(error) && !e.is_symlink(error)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool LinuxOs::DeleteStateFile(const std::string& name) {
  if (!IsPlainStateFileName(name)) return Fail(win::ERROR_INVALID_NAME);
  if (::unlink((paths_.stateDir / name).c_str()) != 0) return FailErrno(errno);
  SyncFolder(paths_.stateDir);
  return true;
}

}  // namespace sw::platform::linuxos
