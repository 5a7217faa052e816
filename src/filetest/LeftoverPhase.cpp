// The leftovers of earlier runs around the consent question: looked at before it, deleted after.
#include <string>

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/VolumeTestPhases.h"
#include "platform/WinApi.h"

namespace sw::filetest::phases {

std::optional<Leftovers> LeftoversBeforeConsent(core::Context& ctx, bool thorough) {
  const std::string& volume = ctx.state.SelectedVolume;
  Leftovers found = FindLeftovers(ctx, volume, LeftoverKind::Both);
  // Only the kind this run writes is in its way; the other kind's strangers are left alone.
  std::string inTheWay;
  for (const std::string& name : found.foreign) {
    const bool h2wName = name.size() > 4 && name.compare(name.size() - 4, 4, ".h2w") == 0;
    if (h2wName == thorough) inTheWay += (inTheWay.empty() ? "" : ", ") + name;
  }
  if (inTheWay.empty()) return found;
  const std::string where = ctx.os.ShownPath(volume + "\\");
  const std::string message =
      thorough ? texts::kForeignH2w1 + where + texts::kForeignH2w2 + inTheWay + texts::kForeignH2w3
               : texts::kForeignInTheWay1 + where + texts::kForeignInTheWay2 + inTheWay + texts::kForeignInTheWay3;
  core::LogMsgBox(ctx, core::kCrLf + message, win::MB_ICONEXCLAMATION);
  return std::nullopt;
}

void DeleteLeftoversAfterConsent(core::Context& ctx, const Leftovers& leftovers) {
  DeleteLeftovers(ctx, ctx.state.SelectedVolume, leftovers.ours);
}

}  // namespace sw::filetest::phases
