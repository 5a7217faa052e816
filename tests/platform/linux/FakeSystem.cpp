// Builds the fake sysfs tree, mountinfo and device nodes.
#include "FakeSystem.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace sw::platform::linuxos::testing {

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file);
  out << text << "\n";
}

}  // namespace

std::string EscapeMountPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
      char code[5];
      std::snprintf(code, sizeof code, "\\%03o", static_cast<unsigned char>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

FakeSystem::FakeSystem() {
  std::string pattern = (fs::temp_directory_path() / "sw-fakesys-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directories(root_ / "sys" / "block");
  fs::create_directories(root_ / "dev");
  WriteMountInfo();
  WritePartitionTable();
}

FakeSystem::~FakeSystem() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void FakeSystem::AddDisk(const FakeDisk& disk) {
  fs::path device = root_ / "sys" / "devices" / (disk.busPath.empty() ? "virtual" : disk.busPath) /
                    "block" / disk.name;
  WriteFile(device / "dev", disk.majMin);
  WriteFile(device / "size", std::to_string(disk.sectors));
  WriteFile(device / "removable", disk.removable ? "1" : "0");
  WriteFile(device / "uevent", "MAJOR=0\nDEVNAME=" + disk.name + "\nDEVTYPE=disk");
  if (disk.name.rfind("loop", 0) == 0) WriteFile(device / "loop" / "backing_file", disk.backingFile);
  if (!disk.mmcType.empty()) WriteFile(device / "device" / "type", disk.mmcType);
  if (!disk.vendor.empty()) WriteFile(device / "device" / "vendor", disk.vendor);
  if (!disk.model.empty()) WriteFile(device / "device" / "model", disk.model);
  if (disk.diskSeq != 0) WriteFile(device / "diskseq", std::to_string(disk.diskSeq));
  fs::create_directories(device / "slaves");
  for (const std::string& slave : disk.slaves) WriteFile(device / "slaves" / slave / "dev", "0:0");
  fs::create_directory_symlink(device, root_ / "sys" / "block" / disk.name);
  WriteFile(root_ / "dev" / disk.name, "");
  WritePartitionTable();
}

void FakeSystem::RemoveDisk(const std::string& name) {
  const fs::path link = root_ / "sys" / "block" / name;
  const fs::path device = fs::canonical(link);
  for (const auto& entry : fs::directory_iterator(device)) {
    if (fs::exists(entry.path() / "partition")) fs::remove(root_ / "dev" / entry.path().filename());
  }
  fs::remove_all(device);
  fs::remove(link);
  fs::remove(root_ / "dev" / name);
  WritePartitionTable();
}

void FakeSystem::AddPartition(const std::string& disk, int number, const std::string& majMin,
                              std::uint64_t sectors, const std::string& name) {
  bool digitEnd = std::isdigit(static_cast<unsigned char>(disk.back())) != 0;
  std::string part = !name.empty() ? name : disk + (digitEnd ? "p" : "") + std::to_string(number);
  fs::path dir = fs::canonical(root_ / "sys" / "block" / disk) / part;
  WriteFile(dir / "dev", majMin);
  WriteFile(dir / "size", std::to_string(sectors));
  WriteFile(dir / "partition", std::to_string(number));
  WriteFile(dir / "uevent", "DEVNAME=" + part + "\nDEVTYPE=partition");
  WriteFile(root_ / "dev" / part, "");
  WritePartitionTable();
}

void FakeSystem::AddMount(const std::string& majMin, const std::string& source,
                          const std::string& target, const std::string& fsType, const std::string& root) {
  int id = nextMountId_++;
  mountLines_.push_back(std::to_string(id) + " 1 " + majMin + " " + EscapeMountPath(root) + " " +
                        EscapeMountPath(target) + " rw,relatime shared:1 - " + fsType + " " + source + " rw");
  WriteMountInfo();
}

fs::path FakeSystem::MakeFolder(const std::string& name) {
  fs::path folder = root_ / "mnt" / name;
  fs::create_directories(folder);
  return folder;
}

SystemPaths FakeSystem::Paths() const {
  SystemPaths paths;
  paths.sysRoot = root_ / "sys";
  paths.mountInfo = root_ / "mountinfo";
  paths.devDir = (root_ / "dev").string();
  paths.swaps = root_ / "swaps";
  paths.procRoot = root_ / "proc";
  paths.lockDir = root_ / "lock";
  paths.stateDir = root_ / "state";
  return paths;
}

void FakeSystem::WritePartitionTable() const {
  auto first = [](const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    in >> text;
    return text;
  };
  auto line = [&](const fs::path& dir, const std::string& name) {
    std::string majMin = first(dir / "dev");
    std::replace(majMin.begin(), majMin.end(), ':', ' ');
    const std::string sectors = first(dir / "size");
    const std::uint64_t kib = sectors.empty() ? 0 : std::stoull(sectors) / 2;
    return majMin + " " + std::to_string(kib) + " " + name + "\n";
  };
  std::string table = "major minor  #blocks  name\n\n";
  for (const auto& disk : fs::directory_iterator(root_ / "sys" / "block")) {
    table += line(disk.path(), disk.path().filename().string());
    for (const auto& entry : fs::directory_iterator(disk.path())) {
      if (fs::exists(entry.path() / "partition")) table += line(entry.path(), entry.path().filename().string());
    }
  }
  fs::create_directories(root_ / "proc");
  std::ofstream(root_ / "proc" / "partitions") << table;
}

void FakeSystem::WriteMountInfo() const {
  std::ofstream out(root_ / "mountinfo");
  for (const std::string& line : mountLines_) out << line << "\n";
}

}  // namespace sw::platform::linuxos::testing
