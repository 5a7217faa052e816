// The commands that make the recommended partition.
#include "frontends/cli/NextStep.h"

#include <cstdint>
#include <string>

#include "frontends/cli/CliTexts.h"

namespace sw::frontends::cli {
namespace {

constexpr std::uint64_t kMiB = 1048576;

// "/dev/sdb1" for the first partition of /dev/sdb; "/dev/mmcblk0p1" where the disk's name ends
// in a digit.
std::string FirstPartition(const std::string& disk) {
  const bool digit = !disk.empty() && disk.back() >= '0' && disk.back() <= '9';
  return disk + (digit ? "p1" : "1");
}

std::string DiskNumberOf(const std::string& device) {
  const auto at = device.find_last_not_of("0123456789");
  return at == std::string::npos ? device : device.substr(at + 1);
}

}  // namespace

std::string NextStepText(const core::RunRecord& run) {
  if (run.verdict != core::Verdict::Failed || !run.recommendedBytes || *run.recommendedBytes < kMiB) return {};
  if (run.drive.device.empty()) return {};
  // The partition starts at 1 MiB, where partitioning tools put the first one, and holds whole MiB.
  const std::uint64_t mib = *run.recommendedBytes / kMiB;
  const std::string& disk = run.drive.device;
  const bool linuxDevice = disk.rfind(text::kDevFolder, 0) == 0;
  std::string step = text::kNextStep;
  step += std::string(linuxDevice ? text::kFixStartRoot : text::kFixStart) + disk + text::kFixSize +
          std::to_string(mib) + text::kMiBUnit + text::kByHand;
  if (linuxDevice) {
    step += text::kPartedStart + disk + text::kPartedTable + std::to_string(mib + 1) + text::kMiBUnit + "\n" +
            text::kMkfs + FirstPartition(disk);
  } else {
    step += std::string(text::kDiskpart) + text::kDiskpartSelect + DiskNumberOf(disk) + text::kDiskpartClean +
            std::to_string(mib) + text::kDiskpartFormat;
  }
  return step;
}

}  // namespace sw::frontends::cli
