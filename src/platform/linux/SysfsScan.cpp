// Reads /sys/block (or a fake tree beneath another root) into plain records.
#include "platform/linux/SysfsScan.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <system_error>

#include "platform/Trim.h"

namespace sw::platform::linuxos {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, trimmed; empty when it cannot be read.
std::string ReadAttr(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (in) std::getline(in, line);
  return Trim(line, kWhiteSpace);
}

std::uint64_t ReadNumber(const fs::path& file) {
  std::string text = ReadAttr(file);
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::string DevNameFromUevent(const fs::path& dir, const std::string& fallback) {
  std::ifstream in(dir / "uevent");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("DEVNAME=", 0) == 0) return Trim(line.substr(8), kWhiteSpace);
  }
  return fallback;
}

std::vector<SysPartition> ScanPartitions(const fs::path& dir, const std::string& diskName) {
  std::vector<SysPartition> parts;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(diskName, 0) != 0 || !fs::exists(entry.path() / "partition", ec)) continue;
    SysPartition part;
    part.name = name;
    part.devName = DevNameFromUevent(entry.path(), name);
    part.majMin = ReadAttr(entry.path() / "dev");
    part.number = static_cast<int>(ReadNumber(entry.path() / "partition"));
    part.sizeSectors = ReadNumber(entry.path() / "size");
    parts.push_back(std::move(part));
  }
  std::sort(parts.begin(), parts.end(),
            [](const SysPartition& a, const SysPartition& b) { return a.number < b.number; });
  return parts;
}

SysBlockDevice ScanDevice(const fs::path& dir, const std::string& name) {
  SysBlockDevice dev;
  dev.name = name;
  dev.devName = DevNameFromUevent(dir, name);
  dev.majMin = ReadAttr(dir / "dev");
  dev.sizeSectors = ReadNumber(dir / "size");
  dev.diskSeq = ReadNumber(dir / "diskseq");
  dev.removable = ReadAttr(dir / "removable") == "1";
  std::error_code ec;
  fs::path resolved = fs::canonical(dir, ec);
  dev.devicePath = ec ? dir.string() : resolved.string();
  dev.backingFile = ReadAttr(dir / "loop" / "backing_file");
  dev.mmcType = ReadAttr(dir / "device" / "type");
  dev.vendor = ReadAttr(dir / "device" / "vendor");
  dev.model = ReadAttr(dir / "device" / "model");
  if (dev.model.empty()) dev.model = ReadAttr(dir / "device" / "name");
  dev.revision = ReadAttr(dir / "device" / "rev");
  if (dev.revision.empty()) dev.revision = ReadAttr(dir / "device" / "firmware_rev");
  for (const fs::directory_entry& slave : fs::directory_iterator(dir / "slaves", ec)) {
    dev.slaves.push_back(slave.path().filename().string());
  }
  std::sort(dev.slaves.begin(), dev.slaves.end(), NaturalLess);
  dev.partitions = ScanPartitions(dir, name);
  return dev;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    bool digitA = isDigit(a[i]), digitB = isDigit(b[j]);
    std::size_t endA = i, endB = j;
    while (endA < a.size() && isDigit(a[endA]) == digitA) ++endA;
    while (endB < b.size() && isDigit(b[endB]) == digitB) ++endB;
    std::string runA = a.substr(i, endA - i), runB = b.substr(j, endB - j);
    if (digitA != digitB) return digitA;  // a number before letters
    if (digitA) {
      runA.erase(0, std::min(runA.find_first_not_of('0'), runA.size()));
      runB.erase(0, std::min(runB.find_first_not_of('0'), runB.size()));
    }
    // Both for numbers (without leading zeros) and for letter runs, shorter comes first.
    if (runA.size() != runB.size()) return runA.size() < runB.size();
    if (runA != runB) return runA < runB;
    i = endA;
    j = endB;
  }
  return a.size() - i < b.size() - j;
}

bool IsCandidateDisk(const SysBlockDevice& device) {
  static const std::regex kDiskNames(R"(sd[a-z]+|mmcblk[0-9]+|nvme[0-9]+n[0-9]+|vd[a-z]+)");
  static const std::regex kLoopName(R"(loop[0-9]+)");
  if (std::regex_match(device.name, kDiskNames)) return true;
  return std::regex_match(device.name, kLoopName) && !device.backingFile.empty();
}

std::vector<SysBlockDevice> ScanSysBlock(const fs::path& sysRoot) {
  std::vector<SysBlockDevice> devices;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(sysRoot / "block", ec)) {
    devices.push_back(ScanDevice(entry.path(), entry.path().filename().string()));
  }
  std::sort(devices.begin(), devices.end(),
            [](const SysBlockDevice& a, const SysBlockDevice& b) { return NaturalLess(a.name, b.name); });
  return devices;
}

}  // namespace sw::platform::linuxos
