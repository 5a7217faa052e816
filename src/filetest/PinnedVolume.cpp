// A stick swapped for another behind the same letter between the pick and the writing is not
// filled: its files are not the user's to risk.
#include "filetest/PinnedVolume.h"

#include "core/Log.h"
#include "diskio/PinnedDrive.h"

namespace sw::filetest {

bool StillThePickedVolume(core::Context& ctx) {
  core::State& s = ctx.state;
  if (diskio::VerifyPinnedVolume(ctx, s.SelectedVolume) == core::IdentityCheck::Same) return true;
  core::LogText(ctx, core::kCrLf + diskio::IdentityLostLine(s.IdentityLost));
  s.LastOutcome = core::Outcome::Cancelled;
  return false;
}

}  // namespace sw::filetest
