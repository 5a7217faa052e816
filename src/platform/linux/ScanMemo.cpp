// Keeping the last scan while the machine's mark stays the same.
#include "platform/linux/ScanMemo.h"

#include "platform/linux/MachineMark.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsScan.h"

namespace sw::platform::linuxos {

namespace {

std::vector<std::string> CanonicalSwaps(const std::filesystem::path& swapsFile) {
  std::vector<std::string> swaps = ReadSwaps(swapsFile);
  for (std::string& swap : swaps) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(swap, ec);  // /dev/mapper/x
    if (!ec) swap = real.string();
  }
  return swaps;
}

}  // namespace

bool ScanMemo::StillValid(const ScanSources& sources, const std::optional<std::string>& mark) const {
  if (!mark || !mark_ || *mark != *mark_ || !servers_.everyMountServed) return false;
  // A mount's line may stay the same while another server stands behind it (the ids of a mount
  // just gone given to the next) or its server opens another device.
  for (const FuseServer& server : servers_.servers) {
    if (ReadFuseServer(sources.procRoot, server.pid, sources.devDir) != server) return false;
  }
  return true;
}

DeviceMap ScanMemo::Current(const ScanSources& sources) {
  const std::vector<std::string> swaps = CanonicalSwaps(sources.swaps);
  // Read before the scan: a change while the scan runs then differs from the mark kept with it,
  // and the next question scans again.
  std::optional<std::string> mark =
      MarkMachine(files_, sources.sysRoot, sources.mountInfo, sources.procRoot / "partitions", swaps);
  if (StillValid(sources, mark)) return map_;
  FuseServers servers;
  DeviceMap map = BuildDeviceMap(ScanSysBlock(sources.sysRoot),
                                 ReadMounts(sources.mountInfo, sources.procRoot, sources.devDir, &servers),
                                 sources.devDir, swaps);
  ++scans_;
  mark_ = std::move(mark);
  servers_ = std::move(servers);
  map_ = map;
  return map;
}

}  // namespace sw::platform::linuxos
