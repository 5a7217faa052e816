// The mark: raw bytes of a few files per disk, read with plain read(2), length-prefixed so that
// no two different machines give the same text.
#include "platform/linux/MachineMark.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <regex>

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

// The whole file; nullopt when it cannot be opened.
std::optional<std::string> ReadRaw(const fs::path& file) {
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return std::nullopt;
  std::string all;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    all.append(buffer, static_cast<std::size_t>(n));
  }
  return all;
}

// A missing file is marked apart from an empty one: an attribute that comes or goes counts.
bool AddFile(std::string& mark, const fs::path& file) {
  const std::optional<std::string> text = ReadRaw(file);
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

// One entry of /sys/block: false when it has no diskseq to tell it from a disk before it.
bool AddDisk(std::string& mark, const fs::path& dir, const std::string& name) {
  AddText(mark, name);
  const std::optional<std::string> seq = ReadRaw(dir / "diskseq");
  if (!seq || seq->find_first_not_of("0\n") == std::string::npos) return false;
  AddText(mark, *seq);
  AddFile(mark, dir / "uevent");
  AddFile(mark, dir / "size");
  if (name.rfind("loop", 0) == 0) AddFile(mark, dir / "loop" / "backing_file");
  if (!NeverStacked(name)) AddNames(mark, Names(dir / "slaves"));
  // Partitions come and go under the same diskseq when the table is read again.
  std::vector<std::string> parts;
  for (const std::string& entry : Names(dir)) {
    if (entry.size() > name.size() && entry.rfind(name, 0) == 0) parts.push_back(entry);
  }
  AddNames(mark, parts);
  for (const std::string& part : parts) {
    AddFile(mark, dir / part / "dev");
    AddFile(mark, dir / part / "size");
  }
  return true;
}

}  // namespace

std::optional<std::string> MarkMachine(const fs::path& sysRoot, const fs::path& mountInfo,
                                       const std::vector<std::string>& swaps) {
  std::string mark;
  const std::vector<std::string> disks = Names(sysRoot / "block");
  AddNames(mark, disks);
  for (const std::string& name : disks) {
    if (!AddDisk(mark, sysRoot / "block" / name, name)) return std::nullopt;
  }
  if (!AddFile(mark, mountInfo)) return std::nullopt;
  AddNames(mark, swaps);
  return mark;
}

}  // namespace sw::platform::linuxos
