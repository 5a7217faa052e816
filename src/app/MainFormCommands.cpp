// The command buttons of the main window hand over to their subsystems.
#include "app/MainForm.h"
#include "filetest/Cleanup.h"
#include "filetest/VolumeTestCommand.h"
#include "fix/FixCommand.h"
#include "fix/MeasuredEnd.h"
#include "probe/ProbeCommand.h"
#include "probe/RestoreCommand.h"
#include "quicktest/QuickTestCommand.h"
#include "surface/SurfaceCommand.h"

namespace sw::app {

void MainForm::OfferFix() {
  // Make Usable is offered once a test of the pinned drive has measured its real end in this
  // run: another pick, or a refreshed list that holds another disk, takes the offer away.
  const bool measured = fix::MeasuredEndOfPinned(ctx_.state).has_value();
  ctx_.win.SetEnabled(core::Control::cmdFix, measured);
  ctx_.win.SetVisible(core::Control::cmdFix, measured);
}

void MainForm::cmdQuickTest_Click() {
  quicktest::cmdQuickTest_Click(ctx_);
  fix::NoteMeasuredEnd(ctx_);
  OfferFix();
  FinishPendingClose();
}

void MainForm::cmdVolumeTest_Click() {
  ctx_.state.ThoroughMode = ctx_.win.Value(core::Control::chkThorough) != 0;
  filetest::cmdVolumeTest_Click(ctx_);
  FinishPendingClose();
}

void MainForm::cmdProbe_Click() {
  probe::cmdProbe_Click(ctx_);
  fix::NoteMeasuredEnd(ctx_);
  OfferFix();
  FinishPendingClose();
}

void MainForm::cmdSurface_Click() {
  surface::cmdSurface_Click(ctx_);
  fix::NoteMeasuredEnd(ctx_);
  OfferFix();
  FinishPendingClose();
}

void MainForm::cmdFix_Click() {
  fix::cmdFix_Click(ctx_);
  OfferFix();
  FinishPendingClose();
}

void MainForm::cmdRestore_Click() {
  probe::RestoreInterruptedProbes(ctx_);
  FinishPendingClose();
}

void MainForm::OfferRestoreAtStart() {
  probe::OfferRestoreAtStart(ctx_);
  FinishPendingClose();
}

void MainForm::cmdcleanup_Click() {
  filetest::cmdcleanup_Click(ctx_);
  FinishPendingClose();
}

}  // namespace sw::app
