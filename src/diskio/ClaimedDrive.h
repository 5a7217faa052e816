// A drive held for a test that writes to it: its volumes locked and dismounted, the drive open
// in hDrive with no other writer; released on every way out.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::diskio {

class ClaimedDrive {
 public:
  ClaimedDrive(core::Context& ctx, std::int32_t disk) : ctx_(ctx), disk_(disk) {}
  ClaimedDrive(const ClaimedDrive&) = delete;
  ClaimedDrive& operator=(const ClaimedDrive&) = delete;
  // Unlocks the volumes and closes hDrive, unless disarmed.
  ~ClaimedDrive();

  // Locks and dismounts every volume of the drive, then opens it (ClaimDriveForWriting). False,
  // disarmed, when the drive is still mounted or held elsewhere: the refusal released it already
  // and said why.
  bool Claim();
  // For the ways out that release the drive themselves, in their own order.
  void Disarm() { armed_ = false; }

 private:
  core::Context& ctx_;
  std::int32_t disk_;
  bool armed_ = true;
};

}  // namespace sw::diskio
