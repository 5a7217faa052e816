// Claims that one run holds on a disk, seen by every process of the machine: a lock file per
// name, held with flock. The kernel drops the lock when the holder ends, even by kill -9, so a
// crashed run never leaves a disk claimed.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {

namespace {

// "Global\SizeWarden.Disk.0a1b" -> "Global_SizeWarden.Disk.0a1b": one plain file name.
std::string FileNameFor(const std::string& name) {
  std::string file;
  for (const char c : name) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    file.push_back(plain ? c : '_');
  }
  return file + ".lock";
}

}  // namespace

bool OwnFolder(const std::filesystem::path& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0022) == 0;
}

Handle LinuxOs::CreateMutexA(const std::string& name) {
  if (name.empty()) {
    Fail(win::ERROR_INVALID_NAME);
    return kInvalidHandle;
  }
  if (!OwnFolder(paths_.lockDir)) {
    Fail(win::ERROR_ACCESS_DENIED);
    return kInvalidHandle;
  }
  const std::filesystem::path file = paths_.lockDir / FileNameFor(name);
  UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.valid()) {
    FailErrno(errno);
    return kInvalidHandle;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    Fail(errno == EWOULDBLOCK ? win::ERROR_ALREADY_EXISTS : win::ERROR_ACCESS_DENIED);
    return kInvalidHandle;
  }
  Object object;
  object.kind = Object::Kind::Claim;
  object.fd = std::move(fd);
  return Add(std::move(object));
}

}  // namespace sw::platform::linuxos
