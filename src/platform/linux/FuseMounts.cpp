// Finding the device behind a FUSE mount through the process that serves it.
#include "platform/linux/FuseMounts.h"

#include <fstream>
#include <iterator>
#include <optional>

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

std::vector<std::string> Arguments(const fs::path& proc) {
  std::ifstream in(proc / "cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

// What a FUSE process serves, if it is one: the block device it holds and its arguments.
struct Server {
  std::string device;
  std::vector<std::string> mountPoints;  // its arguments as absolute paths
};

std::optional<Server> AsServer(const fs::path& proc, const std::string& devDir) {
  Server server;
  bool fuse = false;
  std::error_code ec;
  for (const fs::directory_entry& fd : fs::directory_iterator(proc / "fd", ec)) {
    std::error_code linkError;
    const std::string target = fs::read_symlink(fd.path(), linkError).string();
    if (linkError) continue;
    if (target == "/dev/fuse") {
      fuse = true;
    } else if (Under(target, devDir) && server.device.empty() && !fs::is_character_file(target)) {
      // /dev/null, ttys and /dev/fuse itself are character devices; the volume is a block one.
      server.device = target;
    }
  }
  if (!fuse || server.device.empty()) return std::nullopt;
  std::error_code cwdError;
  const fs::path cwd = fs::read_symlink(proc / "cwd", cwdError);
  for (const std::string& arg : Arguments(proc)) {
    const fs::path p(arg);
    if (p.is_absolute()) {
      server.mountPoints.push_back(Normal(p));
    } else if (!cwdError) {
      server.mountPoints.push_back(Normal(cwd / p));
    }
  }
  return server;
}

}  // namespace

void ResolveFuseSources(std::vector<MountEntry>& mounts, const fs::path& procRoot,
                        const std::string& devDir) {
  std::vector<MountEntry*> unresolved;
  for (MountEntry& m : mounts) {
    if (m.fsType.rfind("fuse.", 0) == 0 && !Under(m.source, devDir)) unresolved.push_back(&m);
  }
  if (unresolved.empty()) return;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(procRoot, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::optional<Server> server = AsServer(entry.path(), devDir);
    if (!server) continue;
    for (MountEntry* m : unresolved) {
      const std::string target = Normal(m->target);
      for (const std::string& point : server->mountPoints) {
        if (point == target) m->source = server->device;
      }
    }
  }
}

std::vector<MountEntry> ReadMounts(const fs::path& mountInfoFile, const fs::path& procRoot,
                                   const std::string& devDir) {
  std::vector<MountEntry> mounts = ReadMountInfo(mountInfoFile);
  ResolveFuseSources(mounts, procRoot, devDir);
  return mounts;
}

}  // namespace sw::platform::linuxos
