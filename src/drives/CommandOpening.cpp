// The shared opening of the commands that write to a whole drive.
#include "drives/CommandOpening.h"

#include "drives/DriveChecks.h"

namespace sw::drives {

CommandOpening::CommandOpening(core::Context& ctx, const OpeningSteps& steps) {
  BeginTestCommand(ctx);
  if (!TakeSelectedDisk(ctx)) return;
  if (steps.startRecord) steps.startRecord(ctx);
  if (!AcceptPickedDrive(ctx)) return;
  claim_.emplace(ctx);
  if (!claim_->held()) return;
  if (steps.refuse && steps.refuse(ctx)) return;
  deviceLine_ = StartTestReport(ctx, steps.heading);
  ready_ = true;
}

}  // namespace sw::drives
