// Free space of a volume and the clean-up of leftover test files.
#include "filetest/Cleanup.h"

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "diskio/RunClaim.h"
#include "filetest/Leftovers.h"
#include "platform/WinApi.h"
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
  ctx.state.LastOutcome = core::Outcome::NotRun;
  if (platform::Trim(volume).size() < 2) return;
  const diskio::RunClaim claim(ctx);
  if (!claim.held()) return;
  const Leftovers found = FindLeftovers(ctx, volume, LeftoverKind::Both);
  ctx.state.LastOutcome = core::Outcome::Passed;
  if (found.ours.empty()) {
    core::LogText(ctx, core::kCrLf + std::string(texts::kCleanupNothing) + ctx.os.ShownPath(volume + "\\"));
    LogKeptForeign(ctx, volume, found.foreign);
    return;
  }
  const std::string crlf2 = std::string(core::kCrLf) + core::kCrLf;
  const std::string prompt = texts::kCleanupAsk1 + ctx.os.ShownPath(volume + "\\") + texts::kCleanupAsk2 +
                             crlf2 + ListedNames(found.ours);
  if (ctx.win.MsgBox(prompt, win::MB_OKCANCEL | win::MB_ICONQUESTION, texts::kCleanupTitle) == win::IDCANCEL) {
    ctx.state.LastOutcome = core::Outcome::Cancelled;
    return;
  }
  DeleteLeftovers(ctx, volume, found.ours);
  LogKeptForeign(ctx, volume, found.foreign);
}

}  // namespace sw::filetest
