// Volume queries and files by wildcard, on the mount point of a drive letter.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/WinApi.h"
#include "platform/linux/ErrnoMap.h"
#include "platform/linux/FileCache.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/VolumeProbe.h"
#include "platform/linux/WinPath.h"
#include "platform/linux/Wildcard.h"

namespace sw::platform::linuxos {

namespace {

constexpr std::uint32_t kDefaultMaxComponent = 255;

// NUL-terminated copy that always fits (a long NTFS label is cut rather than lost).
void CopyText(const std::string& text, std::span<char> into) {
  if (into.empty()) return;
  std::size_t n = std::min(text.size(), into.size() - 1);
  std::memcpy(into.data(), text.data(), n);
  into[n] = '\0';
}

struct DirClose {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// The folder and the name pattern of "E:\WARDFILE*.tmp" or "E:\sub\*.tmp".
bool SplitPattern(const std::string& pattern, WinPath& path, std::string& folder, std::string& name) {
  path = ParseWinPath(pattern);
  if (path.kind != WinPath::Kind::File) return false;
  std::size_t slash = path.relative.rfind('/');
  folder = slash == std::string::npos ? "" : path.relative.substr(0, slash);
  name = slash == std::string::npos ? path.relative : path.relative.substr(slash + 1);
  return true;
}

}  // namespace

bool LinuxOs::GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                                  std::uint64_t& totalBytes, std::uint64_t& totalFree) {
  freeToCaller = totalBytes = totalFree = 0;
  WinPath path = ParseWinPath(directory);
  if (path.kind != WinPath::Kind::File && path.kind != WinPath::Kind::VolumeRoot) {
    return Fail(win::ERROR_INVALID_NAME);
  }
  std::string folder = VolumeFolder(path.letter, path.relative);
  if (folder.empty()) return false;
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return FailErrno(errno);
  // f_bavail leaves out the blocks reserved for root, as Windows leaves out quota.
  freeToCaller = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  totalBytes = static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize;
  totalFree = static_cast<std::uint64_t>(st.f_bfree) * st.f_frsize;
  return true;
}

bool LinuxOs::GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                                std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                                std::uint32_t& totalClusters) {
  sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
  WinPath path = ParseWinPath(root);
  if (path.kind != WinPath::Kind::File && path.kind != WinPath::Kind::VolumeRoot) {
    return Fail(win::ERROR_INVALID_NAME);
  }
  std::string folder = VolumeFolder(path.letter, {});
  if (folder.empty()) return false;
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return FailErrno(errno);
  // The device the volume was mounted from: a FUSE volume's own st_dev is an anonymous number.
  std::uint32_t sector = 0;
  DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(path.letter);
  struct stat node {};
  if (volume && !volume->devNode.empty() && ::stat(volume->devNode.c_str(), &node) == 0 &&
      S_ISBLK(node.st_mode)) {
    sector = LogicalBlockSize(paths_.sysRoot, node.st_rdev);
  }
  if (sector == 0) sector = 512;
  bytesPerSector = sector;
  const std::uint64_t cluster = std::max<std::uint64_t>(st.f_frsize, sector);
  sectorsPerCluster = static_cast<std::uint32_t>(cluster / sector);
  freeClusters = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{st.f_bavail} * st.f_frsize / cluster, 0xFFFFFFFFu));
  totalClusters = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{st.f_blocks} * st.f_frsize / cluster, 0xFFFFFFFFu));
  return true;
}

bool LinuxOs::GetVolumeInformationA(const std::string& root, std::span<char> label,
                                    std::uint32_t& serial, std::uint32_t& maxComponentLength,
                                    std::uint32_t& fileSystemFlags, std::span<char> fileSystemName) {
  serial = 0;
  maxComponentLength = 0;
  fileSystemFlags = 0;
  WinPath path = ParseWinPath(root);
  if (path.kind != WinPath::Kind::VolumeRoot) return Fail(win::ERROR_INVALID_NAME);
  DeviceMap map = Snapshot();
  const VolumeEntry* volume = map.Volume(path.letter);
  if (!volume) return Fail(win::ERROR_PATH_NOT_FOUND);

  std::string fsName = volume->fsType;
  std::string volumeLabel;
  if (!volume->devNode.empty()) {
    ProbedVolume probed = ProbeVolume(volume->devNode);
    if (probed.error != 0) return FailErrno(probed.error);
    if (probed.found) {
      fsName = WindowsFileSystemName(probed.type, probed.version);
      volumeLabel = probed.label;
      serial = SerialFromUuid(probed.uuid);
    } else if (volume->mountPoint.empty()) {
      return Fail(win::ERROR_UNRECOGNIZED_VOLUME);  // blank: no file system to describe
    }
  }
  maxComponentLength = kDefaultMaxComponent;
  struct statvfs st {};
  if (!volume->mountPoint.empty() && ::statvfs(volume->mountPoint.c_str(), &st) == 0) {
    maxComponentLength = static_cast<std::uint32_t>(st.f_namemax);
  }
  CopyText(volumeLabel, label);
  CopyText(fsName, fileSystemName);
  return true;
}

std::vector<std::string> LinuxOs::FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WinPath path;
  std::string sub, namePattern;
  if (!SplitPattern(pattern, path, sub, namePattern)) {
    Fail(win::ERROR_INVALID_NAME);
    return names;
  }
  std::string folder = VolumeFolder(path.letter, sub);
  if (folder.empty()) return names;
  std::unique_ptr<DIR, DirClose> dir(::opendir(folder.c_str()));
  if (!dir) {
    FailErrno(errno);
    return names;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    // Dot-files are the hidden files of Linux; links, folders and devices are not ordinary files.
    if (name.empty() || name[0] == '.' || !MatchesWildcard(namePattern, name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) lastError_ = win::ERROR_FILE_NOT_FOUND;
  return names;
}

int LinuxOs::DeleteFiles(const std::string& pattern) {
  std::vector<std::string> names = FindFiles(pattern);
  if (names.empty()) return 0;
  WinPath path;
  std::string sub, namePattern;
  SplitPattern(pattern, path, sub, namePattern);
  std::filesystem::path folder = VolumeFolder(path.letter, sub);
  if (folder.empty()) return 0;
  int deleted = 0;
  for (const std::string& name : names) {
    // Goes on after a file that cannot be deleted: the others are still leftovers.
    if (::unlink((folder / name).c_str()) == 0) {
      ++deleted;
    } else {
      FailErrno(errno);
    }
  }
  return deleted;
}

}  // namespace sw::platform::linuxos
