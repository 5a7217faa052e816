// Claiming a drive for writing and letting it go.
#include "diskio/ClaimedDrive.h"

#include "diskio/DriveClaim.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/Volumes.h"

namespace sw::diskio {

ClaimedDrive::~ClaimedDrive() {
  if (!armed_) return;
  Lock_Unlock_All_Volumes(ctx_, disk_, kUnlockMode);
  MyCloseHandle(ctx_, ctx_.state.hDrive);
}

bool ClaimedDrive::Claim() {
  Lock_Unlock_All_Volumes(ctx_, disk_, kLockMode);
  DisMount_All_Volumes(ctx_, disk_);
  if (ClaimDriveForWriting(ctx_, disk_)) return true;
  armed_ = false;
  return false;
}

}  // namespace sw::diskio
