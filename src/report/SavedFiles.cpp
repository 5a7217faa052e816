// Output files: made beside their target, renamed into its place, and their names.
#include "report/SavedFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sw::report {

namespace {

namespace fs = std::filesystem;

constexpr const char* kIsLink = "it is a symbolic link; name the file itself";
constexpr const char* kNotRegular = "it is not a regular file";
constexpr const char* kNoTemporary = "no file can be made beside it: ";
constexpr const char* kTempPrefix = ".";
constexpr const char* kTempInfix = ".sw-";
constexpr const char* kTempSuffix = ".tmp";
constexpr const char* kCannotReplace = "it could not be replaced: ";
constexpr int kTempAttempts = 16;

#ifdef _WIN32
constexpr int kCreateFlags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY;
constexpr int kCreateMode = _S_IREAD | _S_IWRITE;
int OpenNew(const std::string& p) { return ::_open(p.c_str(), kCreateFlags, kCreateMode); }
long WriteSome(int fd, const char* data, std::size_t n) {
  return ::_write(fd, data, static_cast<unsigned>(n));
}
bool Flush(int fd) { return ::_commit(fd) == 0; }
bool Close(int fd) { return ::_close(fd) == 0; }
std::string ReplaceTarget(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return "error " + std::to_string(::GetLastError());
}
#else
// O_EXCL with O_CREAT never follows a link at the last step; O_NOFOLLOW says so twice.
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr mode_t kCreateMode = 0666;  // less the umask, as any file the user makes
int OpenNew(const std::string& p) { return ::open(p.c_str(), kCreateFlags, kCreateMode); }
long WriteSome(int fd, const char* data, std::size_t n) { return ::write(fd, data, n); }
bool Flush(int fd) { return ::fsync(fd) == 0; }
bool Close(int fd) { return ::close(fd) == 0; }
// rename() replaces the directory entry itself: a link put there meanwhile is replaced, not
// followed.
std::string ReplaceTarget(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return {};
  return std::strerror(errno);
}
#endif

std::string TempName(const fs::path& target, std::mt19937_64& random) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // Appended piece by piece: GCC 12 at -O3 warns falsely about "literal" + std::string&&.
  std::string name = kTempPrefix;
  name += target.filename().string();
  name += kTempInfix;
  name += std::to_string(random() % 1'000'000'000);
  name += kTempSuffix;
  return (folder / name).string();
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (fs::is_symlink(status)) {
    error_ = kIsLink;
    return;
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    error_ = kNotRegular;
    return;
  }
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < kTempAttempts && fd_ < 0; ++attempt) {
    temp_ = TempName(fs::path(path), random);
    fd_ = OpenNew(temp_);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    error_ = kNoTemporary + std::string(std::strerror(errno));
    temp_.clear();
  }
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (fd_ >= 0) Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) std::remove(temp_.c_str());
  temp_.clear();
}

bool OutputFile::Write(const std::string& content) {
  if (fd_ < 0) return false;
  std::size_t done = 0;
  while (done < content.size()) {
    const long wrote = WriteSome(fd_, content.data() + done, content.size() - done);
    if (wrote <= 0) {
      if (wrote < 0 && errno == EINTR) continue;
      error_ = std::strerror(errno);
      Discard();
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  const bool flushed = Flush(fd_);
  const int flushErrno = errno;
  const bool closed = Close(fd_);
  fd_ = -1;
  if (!flushed || !closed) {
    error_ = std::strerror(flushed ? errno : flushErrno);
    Discard();
    return false;
  }
  const std::string failed = ReplaceTarget(temp_, path_);
  if (!failed.empty()) {
    error_ = kCannotReplace + failed;
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}

std::string MapPathBeside(const std::string& reportPath) {
  const auto slash = reportPath.find_last_of("/\\");
  const auto dot = reportPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? reportPath.substr(0, dot) : reportPath) + kMapSuffix;
}

}  // namespace sw::report
