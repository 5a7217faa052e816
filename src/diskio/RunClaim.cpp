// The machine-wide claim on the disk under test.
#include "diskio/RunClaim.h"

#include <cstdio>

#include "core/Log.h"
#include "diskio/ClaimTexts.h"
#include "platform/WinApi.h"

namespace sw::diskio {

std::string RunClaimName(const core::DriveIdentity& disk) {
  std::string name = "Global\\SizeWarden.Disk.";
  if (disk.Key) {
    char hex[3];
    for (const std::uint8_t b : *disk.Key) {
      std::snprintf(hex, sizeof hex, "%02x", b);
      name += hex;
    }
    return name;
  }
  name += std::to_string(disk.DiskNumber) + "." + std::to_string(disk.SizeBytes) + ".";
  for (const char c : disk.Serial) {
    // Backslashes separate namespaces in a mutex name.
    name.push_back(c == '\\' ? '_' : c);
  }
  return name;
}

RunClaim::RunClaim(core::Context& ctx) : ctx_(ctx) {
  if (!ctx.state.Pinned) return;
  handle_ = ctx.os.CreateMutexA(RunClaimName(ctx.state.Pinned->identity));
  if (handle_ != platform::kInvalidHandle || ctx.os.GetLastError() != win::ERROR_ALREADY_EXISTS) return;
  refused_ = true;
  core::LogText(ctx, core::kCrLf + std::string(text::kClaimedByAnotherRun));
  ctx.win.MsgBox(text::kClaimedByAnotherRun, win::MB_ICONEXCLAMATION, core::kAppTitle);
  ctx.state.LastOutcome = core::Outcome::NotRun;
}

RunClaim::~RunClaim() {
  if (handle_ != platform::kInvalidHandle) ctx_.os.CloseHandle(handle_);
}

}  // namespace sw::diskio
