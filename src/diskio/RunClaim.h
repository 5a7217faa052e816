// One run per disk: a test claims the pinned disk before its questions are asked and holds the
// claim to its end, so that a second run on the same stick (another window, another terminal)
// is refused at once instead of writing between the first one's markers.
#pragma once

#include <string>

#include "core/Context.h"

namespace sw::diskio {

// The name of the machine-wide claim on a disk: from the provider's key where there is one, else
// from what the user saw of it (number, size, serial).
std::string RunClaimName(const core::DriveIdentity& disk);

class RunClaim {
 public:
  // Claims the pinned disk. When another run holds it, says so in the report and in a box, and
  // the run must end without touching the drive (held() is false, LastOutcome NotRun). A system
  // that offers no claims at all lets the run go on: the exclusive open before the first write
  // still keeps two writers apart.
  explicit RunClaim(core::Context& ctx);
  ~RunClaim();
  RunClaim(const RunClaim&) = delete;
  RunClaim& operator=(const RunClaim&) = delete;

  bool held() const { return !refused_; }

 private:
  core::Context& ctx_;
  platform::Handle handle_ = platform::kInvalidHandle;
  bool refused_ = false;
};

}  // namespace sw::diskio
