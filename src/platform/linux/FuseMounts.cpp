// Finding the device behind a FUSE mount through the process that serves it.
#include "platform/linux/FuseMounts.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

namespace fs = std::filesystem;

namespace {

bool Under(const std::string& path, const std::string& dir) {
  return path.size() > dir.size() + 1 && path.rfind(dir + "/", 0) == 0;
}

// "/media/stick/" and "/media/./stick" are "/media/stick".
std::string Normal(const fs::path& p) {
  fs::path normal = p.lexically_normal();
  if (normal.has_relative_path() && !normal.has_filename()) normal = normal.parent_path();
  return normal.string();
}

// Read with read(2): a process that ends while its files are read fails the read (ESRCH),
// and a stream's buffer would throw that through an iterator.
std::string ReadAll(const fs::path& file) {
  std::string all;
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return all;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    all.append(buffer, static_cast<std::size_t>(n));
  }
  return all;
}

std::vector<std::string> Arguments(const fs::path& proc) {
  const std::string all = ReadAll(proc / "cmdline");
  std::vector<std::string> args;
  std::string arg;
  for (const char c : all) {
    if (c != '\0') {
      arg += c;
    } else if (!arg.empty()) {
      args.push_back(arg);
      arg.clear();
    }
  }
  if (!arg.empty()) args.push_back(arg);
  return args;
}

// A process's arguments as absolute paths: a FUSE server names its mount point among them.
std::vector<std::string> PathArguments(const fs::path& proc) {
  std::vector<std::string> paths;
  std::optional<fs::path> cwd;
  for (const std::string& arg : Arguments(proc)) {
    const fs::path p(arg);
    if (p.is_absolute()) {
      paths.push_back(Normal(p));
      continue;
    }
    if (!cwd) {
      std::error_code cwdError;
      cwd = fs::read_symlink(proc / "cwd", cwdError);
      if (cwdError) cwd = fs::path();
    }
    if (!cwd->empty()) paths.push_back(Normal(*cwd / p));
  }
  return paths;
}

// The start time of a process, in clock ticks after boot: what tells a pid given again from the
// process that had it before. The command name may hold blanks and parentheses, so the fields
// are counted from the last ')'.
std::string StartTime(const fs::path& proc) {
  const std::string stat = ReadAll(proc / "stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return {};
  std::size_t at = close + 1;
  // After the name come the state (field 3) and on: the start time is field 22.
  for (int field = 3; field <= 22; ++field) {
    const std::size_t begin = stat.find_first_not_of(' ', at);
    if (begin == std::string::npos) return {};
    const std::size_t end = std::min(stat.find(' ', begin), stat.size());
    if (field == 22) return stat.substr(begin, end - begin);
    at = end;
  }
  return {};
}

// The block device a FUSE process holds, and whether it holds /dev/fuse.
void ServedDevice(const fs::path& proc, const std::string& devDir, bool& fuse, std::string& device) {
  std::error_code ec;
  for (const fs::directory_entry& fd : fs::directory_iterator(proc / "fd", ec)) {
    std::error_code linkError;
    const std::string target = fs::read_symlink(fd.path(), linkError).string();
    if (linkError) continue;
    if (target == "/dev/fuse") {
      fuse = true;
    } else if (Under(target, devDir) && device.empty() && !fs::is_character_file(target)) {
      // /dev/null, ttys and /dev/fuse itself are character devices; the volume is a block one.
      device = target;
    }
  }
}

}  // namespace

FuseServer ReadFuseServer(const fs::path& procRoot, const std::string& pid, const std::string& devDir) {
  FuseServer server;
  server.pid = pid;
  server.startTime = StartTime(procRoot / pid);
  ServedDevice(procRoot / pid, devDir, server.fuse, server.device);
  return server;
}

void ResolveFuseSources(std::vector<MountEntry>& mounts, const fs::path& procRoot,
                        const std::string& devDir, FuseServers* found) {
  std::vector<MountEntry*> unresolved;
  for (MountEntry& m : mounts) {
    if (m.fsType.rfind("fuse.", 0) == 0 && !Under(m.source, devDir)) unresolved.push_back(&m);
  }
  if (unresolved.empty()) return;
  std::vector<MountEntry*> unserved = unresolved;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(procRoot, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    // The arguments first: one read a process. Its open files are looked through only for a
    // process started with an unresolved mount point, as a busy machine has thousands of them.
    const std::vector<std::string> points = PathArguments(entry.path());
    std::vector<MountEntry*> served;
    for (MountEntry* m : unresolved) {
      const std::string target = Normal(m->target);
      for (const std::string& point : points) {
        if (point == target) served.push_back(m);
      }
    }
    if (served.empty()) continue;
    const FuseServer server = ReadFuseServer(procRoot, name, devDir);
    if (!server.fuse) continue;
    if (found) found->servers.push_back(server);
    for (MountEntry* m : served) {
      std::erase(unserved, m);
      if (!server.device.empty()) m->source = server.device;
    }
  }
  if (found && !unserved.empty()) found->everyMountServed = false;
}

std::vector<MountEntry> ReadMounts(const fs::path& mountInfoFile, const fs::path& procRoot,
                                   const std::string& devDir, FuseServers* found) {
  std::vector<MountEntry> mounts = ReadMountInfo(mountInfoFile);
  ResolveFuseSources(mounts, procRoot, devDir, found);
  return mounts;
}

}  // namespace sw::platform::linuxos
