// Free space of a volume and the clean-up of leftover test files.
#include "filetest/Cleanup.h"

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/H2wCleanup.h"
#include "filetest/TestFileFormat.h"
#include "platform/Trim.h"

namespace sw::filetest {

double FreeDiskSpace(core::Context& ctx, const std::string& sDriveLetter) {
  std::uint64_t freeToCaller = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t totalFree = 0;
  if (!ctx.os.GetDiskFreeSpaceExA(sDriveLetter, freeToCaller, totalBytes, totalFree)) return 0;
  // What the caller may use, quotas included, not what the volume has left in all.
  return static_cast<double>(freeToCaller);
}

std::uint32_t VolumeSectorSize(core::Context& ctx, const std::string& volume) {
  constexpr std::uint32_t kClassicSector = 512;
  std::uint32_t perCluster = 0, perSector = 0, freeClusters = 0, totalClusters = 0;
  if (!ctx.os.GetDiskFreeSpaceA(volume, perCluster, perSector, freeClusters, totalClusters) ||
      perSector == 0) {
    return kClassicSector;
  }
  return perSector;
}

void cmdcleanup_Click(core::Context& ctx) {
  const std::string volume = ctx.state.SelectedVolume;
  if (platform::Trim(volume).size() < 2) return;
  // A verification of the .h2w files on the volume must find them there.
  if (!ctx.state.VerifyOnly) CleanupH2wFiles(ctx);
  const std::string pattern = TestFilePattern(volume);
  if (ctx.os.FindFiles(pattern).empty()) return;
  core::LogText(ctx, core::kCrLf + std::string(texts::kDeleting) + ctx.os.ShownPath(pattern) +
                         texts::kFilesEllipsis);
  ctx.win.DoEvents();
  // Files that cannot go (in use, read-only) stay; the line ends the same either way.
  ctx.os.DeleteFiles(pattern);
  core::LogText(ctx, texts::kCleanupFinished);
}

}  // namespace sw::filetest
