// Mounts of a disk and the processes that hold them.
#include "platform/linux/MountHolders.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <system_error>

namespace sw::platform::linuxos {

namespace fs = std::filesystem;

namespace {

bool Beneath(const std::string& path, const std::string& mountPoint) {
  if (path.rfind(mountPoint, 0) != 0) return false;
  return path.size() == mountPoint.size() || mountPoint == "/" || path[mountPoint.size()] == '/';
}

bool LinkBeneath(const fs::path& link, const std::string& mountPoint) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(link, ec);
  return !ec && Beneath(target.string(), mountPoint);
}

// The files a process has mapped (libraries, a program run from the stick): the path field of
// each line of maps, from its first "/".
bool MapsBeneath(const fs::path& maps, const std::string& mountPoint) {
  std::ifstream in(maps);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t slash = line.find('/');
    if (slash != std::string::npos && Beneath(line.substr(slash), mountPoint)) return true;
  }
  return false;
}

bool Holds(const fs::path& proc, const std::string& mountPoint) {
  if (LinkBeneath(proc / "cwd", mountPoint) || LinkBeneath(proc / "root", mountPoint) ||
      LinkBeneath(proc / "exe", mountPoint)) {
    return true;
  }
  std::error_code ec;
  for (const fs::directory_entry& fd : fs::directory_iterator(proc / "fd", ec)) {
    if (LinkBeneath(fd.path(), mountPoint)) return true;
  }
  return MapsBeneath(proc / "maps", mountPoint);
}

bool IsPid(const std::string& name) {
  return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::vector<std::string> ProcessesUsing(const fs::path& procRoot, const std::string& mountPoint) {
  std::vector<long> pids;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(procRoot, ec)) {
    const std::string name = entry.path().filename().string();
    if (IsPid(name) && Holds(entry.path(), mountPoint)) pids.push_back(std::stol(name));
  }
  std::sort(pids.begin(), pids.end());
  std::vector<std::string> holders;
  for (long pid : pids) {
    std::ifstream in(procRoot / std::to_string(pid) / "comm");
    std::string command;
    std::getline(in, command);
    holders.push_back(std::to_string(pid) + (command.empty() ? "" : " (" + command + ")"));
  }
  return holders;
}

std::vector<MountEntry> MountsOnDisk(const std::vector<SysBlockDevice>& devices,
                                     const std::vector<MountEntry>& mounts,
                                     const SysBlockDevice& disk, const std::string& devDir) {
  // Names of everything on the disk, grown by stacked devices until nothing more is added.
  std::set<std::string> names = {disk.name};
  for (const SysPartition& p : disk.partitions) names.insert(p.name);
  for (bool grew = true; grew;) {
    grew = false;
    for (const SysBlockDevice& d : devices) {
      if (names.count(d.name) != 0) continue;
      const bool onDisk = std::any_of(d.slaves.begin(), d.slaves.end(),
                                      [&](const std::string& s) { return names.count(s) != 0; });
      if (onDisk) grew = names.insert(d.name).second;
    }
  }
  std::set<std::string> majMins, nodes;
  for (const SysBlockDevice& d : devices) {
    if (names.count(d.name) != 0) {
      majMins.insert(d.majMin);
      nodes.insert(devDir + "/" + d.devName);
    }
    for (const SysPartition& p : d.partitions) {
      if (names.count(p.name) != 0) {
        majMins.insert(p.majMin);
        nodes.insert(devDir + "/" + p.devName);
      }
    }
  }
  std::vector<MountEntry> found;
  for (const MountEntry& m : mounts) {
    if (majMins.count(m.majMin) != 0 || nodes.count(m.source) != 0) found.push_back(m);
  }
  return found;
}

}  // namespace sw::platform::linuxos
