// The mark: raw bytes of a few files per disk, length-prefixed so that no two different machines
// give the same text.
#include "platform/linux/MachineMark.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

namespace fs = std::filesystem;

namespace {

struct DirClose {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

void AddText(std::string& mark, const std::string& text) {
  mark += std::to_string(text.size());
  mark += ':';
  mark += text;
}

// A sysfs attribute is made whole into one page at each read from its start, so a shorter read
// is the whole of it; anything else is read until the end.
constexpr std::size_t kPage = 4096;

// From the start of the file to its end, whatever the descriptor read before.
std::optional<std::string> ReadFrom0(int fd, bool sysfs) {
  std::string all;
  char buffer[kPage];
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(all.size()));
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    all.append(buffer, static_cast<std::size_t>(n));
    if (sysfs && static_cast<std::size_t>(n) < sizeof buffer) break;
  }
  return all;
}

// A missing file is marked apart from an empty one: an attribute that comes or goes counts.
bool AddFile(MarkFiles& files, std::string& mark, const fs::path& file) {
  const std::optional<std::string> text = files.Read(file);
  if (!text) {
    mark += "-;";
    return false;
  }
  AddText(mark, *text);
  return true;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirClose> d(::opendir(dir.c_str()));
  if (!d) return names;
  while (const dirent* entry = ::readdir(d.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void AddNames(std::string& mark, const std::vector<std::string>& names) {
  mark += std::to_string(names.size());
  mark += '[';
  for (const std::string& name : names) AddText(mark, name);
  mark += ']';
}

// Disks of these kinds are never built on other block devices: their slaves/ stays empty, so
// only stacked devices (dm, md, ...) have it read.
bool NeverStacked(const std::string& name) {
  static const std::regex kPlain(R"((sd[a-z]+|mmcblk[0-9]+|nvme[0-9]+n[0-9]+|vd[a-z]+|loop[0-9]+))");
  return std::regex_match(name, kPlain);
}

// The names in /proc/partitions (major, minor, size in KiB, name on each line after the heading).
std::vector<std::string> TableNames(const std::string& table) {
  std::vector<std::string> names;
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // the heading
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string major, minor, blocks, name;
    if (fields >> major >> minor >> blocks >> name) names.push_back(name);
  }
  return names;
}

// The disk a partition's name belongs to: the longest disk name it begins with (sdaa1 is sdaa's).
std::string DiskOf(const std::string& part, const std::vector<std::string>& disks) {
  std::string best;
  for (const std::string& d : disks) {
    if (part.size() > d.size() && part.rfind(d, 0) == 0 && d.size() > best.size()) best = d;
  }
  return best;
}

// One entry of /sys/block: false when it has no diskseq to tell it from a disk before it.
bool AddDisk(MarkFiles& files, std::string& mark, const fs::path& dir, const std::string& name,
             const std::vector<std::string>& parts) {
  AddText(mark, name);
  const std::optional<std::string> seq = files.Read(dir / "diskseq");
  if (!seq || seq->find_first_not_of("0\n") == std::string::npos) return false;
  AddText(mark, *seq);
  AddFile(files, mark, dir / "uevent");
  AddFile(files, mark, dir / "size");
  if (name.rfind("loop", 0) == 0) AddFile(files, mark, dir / "loop" / "backing_file");
  if (!NeverStacked(name)) AddNames(mark, Names(dir / "slaves"));
  // Partitions come and go under the same diskseq when the table is read again; the kernel's
  // table gives their sizes in KiB only, sysfs to the sector.
  AddNames(mark, parts);
  for (const std::string& part : parts) {
    AddFile(files, mark, dir / part / "dev");
    AddFile(files, mark, dir / part / "size");
  }
  return true;
}

}  // namespace

std::optional<std::string> MarkFiles::Read(const fs::path& file) {
  const auto held = held_.find(file.string());
  if (held != held_.end()) {
    if (std::optional<std::string> text = ReadFrom0(held->second.fd.get(), held->second.sysfs)) return text;
    held_.erase(held);  // its device or process gone: the name may stand for another one now
  }
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return std::nullopt;
  struct statfs st {};
  const bool known = ::fstatfs(fd.get(), &st) == 0;
  const bool sysfs = known && st.f_type == SYSFS_MAGIC;
  const bool proc = known && st.f_type == PROC_SUPER_MAGIC;
  std::optional<std::string> text = ReadFrom0(fd.get(), sysfs);
  if (text && (sysfs || proc) && held_.size() < kMaxHeld) {
    held_.emplace(file.string(), Held{std::move(fd), sysfs});
  }
  return text;
}

std::optional<std::string> MarkMachine(MarkFiles& files, const fs::path& sysRoot,
                                       const fs::path& mountInfo, const fs::path& partitionTable,
                                       const std::vector<std::string>& swaps) {
  std::string mark;
  const std::vector<std::string> disks = Names(sysRoot / "block");
  AddNames(mark, disks);
  // One table for the partitions of every disk, in place of a listing of each disk's folder.
  const std::optional<std::string> table = files.Read(partitionTable);
  if (!table) return std::nullopt;
  AddText(mark, *table);
  std::map<std::string, std::vector<std::string>> partsOf;
  for (const std::string& name : TableNames(*table)) {
    if (std::find(disks.begin(), disks.end(), name) != disks.end()) continue;
    const std::string disk = DiskOf(name, disks);
    if (!disk.empty()) partsOf[disk].push_back(name);
  }
  for (const std::string& name : disks) {
    if (!AddDisk(files, mark, sysRoot / "block" / name, name, partsOf[name])) return std::nullopt;
  }
  if (!AddFile(files, mark, mountInfo)) return std::nullopt;
  AddNames(mark, swaps);
  return mark;
}

}  // namespace sw::platform::linuxos
