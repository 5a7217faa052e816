// The machine's map of disks and volumes, scanned afresh only when something it rests on has
// changed. Every question still reads the machine's mark (MachineMark.h) and the state of the
// FUSE servers the scan relied on, so a disk swapped, a partition or mount that comes or goes,
// or a loop device re-attached is seen at the very next question; what is saved is the dozen
// attributes of every disk and the walk through /proc that a full scan takes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/DeviceMap.h"
#include "platform/linux/FuseMounts.h"
#include "platform/linux/MachineMark.h"

namespace sw::platform::linuxos {

struct ScanSources {
  std::filesystem::path sysRoot;
  std::filesystem::path mountInfo;
  std::string devDir;
  std::filesystem::path swaps;
  std::filesystem::path procRoot;
};

class ScanMemo {
 public:
  // The map as BuildDeviceMap makes it (numbers of the scan's own order), of the machine now.
  DeviceMap Current(const ScanSources& sources);
  // How many full scans this memo made: what the tests count.
  std::uint64_t Scans() const { return scans_; }

 private:
  bool StillValid(const ScanSources& sources, const std::optional<std::string>& mark) const;


  MarkFiles files_;
  std::optional<std::string> mark_;  // read before the scan it stands for
  FuseServers servers_;              // as the scan found them
  DeviceMap map_;
  std::uint64_t scans_ = 0;
};

}  // namespace sw::platform::linuxos
