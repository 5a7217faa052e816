// The main window's logic: start-up, the service buttons, the drive list and the command
// buttons, on whatever Window the context carries (the real window, the terminal, a test window).
#pragma once

#include <string>

#include "core/Context.h"

namespace sw::app {

class MainForm {
 public:
  struct Options {
    // The terminal has no use for the modal introduction.
    bool showIntroduction = true;
  };

  explicit MainForm(core::Context& ctx) : MainForm(ctx, Options{}) {}
  MainForm(core::Context& ctx, Options options) : ctx_(ctx), options_(options) {}

  // Start-up: designed size, centred, title, idle layout, SectorBuffer, drive list, introduction,
  // then the window shows.
  void Form_Load();
  // Keeps the designed size unless minimized.
  void Form_Resize();
  void Label2_Click();
  void cmdCopy_Click();
  void cmdExit_Click();
  void cmdCancel_Click();
  // Asks for a file name and saves the report there, with the drive map beside it (MainFormSave.cpp).
  void cmdSaveReport_Click();

  // The drive list.
  void Drive1_Change();
  void chkShowAll_Click();
  void cmdRefreshDrive_Click();
  void Combo1_Click();
  void Combo1_Change();
  void GetVolumeLabel(const std::string& root, std::string& label);

  // The commands (MainFormCommands.cpp): each runs its whole operation before it returns.
  void cmdQuickTest_Click();
  void cmdVolumeTest_Click();
  void cmdcleanup_Click();
  void cmdProbe_Click();
  // The Full Surface Test (the terminal's full command).
  void cmdSurface_Click();
  // Make Usable: partition and format to the real end a test of this run measured.
  void cmdFix_Click();
  // Puts back the blocks of interrupted Exact Probes (the terminal's restore command).
  void cmdRestore_Click();
  // Once the window shows: offers that restore when a journal waits for a connected drive.
  void OfferRestoreAtStart();

  // The window's close box. While a test runs it presses Cancel and the window closes once the
  // command has unwound (ClosePending); otherwise the program ends at once.
  void RequestClose();
  bool ClosePending() const { return closePending_; }
  // Ends the program when a close was requested while the command that just returned ran; the
  // command buttons call it on their way out.
  void FinishPendingClose();

  float SavedHeight = 0;
  float SavedWidth = 0;

 private:
  // Shows Make Usable for the drive picked now when this run measured its real end, else hides it.
  void OfferFix();

  core::Context& ctx_;
  Options options_;
  bool closePending_ = false;
};

// "SIZEWARDEN v1.0.0  [Zentrel]" for this build's version.
std::string BuildWindowTitle();

}  // namespace sw::app
