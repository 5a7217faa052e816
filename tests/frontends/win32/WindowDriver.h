// Remote control of the window program for the smoke tests: its controls by name, texts read
// across the process boundary, and message boxes answered as they come.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/MainFormLayout.h"

// <windows.h> after our headers: its macros would rewrite names in them.
#include "SimProcess.h"

namespace sw::testing::win32 {

// What the command line gave the smoke tests.
struct SmokeOptions {
  std::string sim;         // the window program, linked with the simulated drives
  std::string holdMarker;  // set: hold the idle window for a screenshot (see scripts/window-smoke)
  std::string layoutRecord;  // where the program writes the layouts its simulated drives were given
};
SmokeOptions& Options();

// A message box the program showed, and the layout of the window behind it at that moment.
struct SeenBox {
  std::string title;
  std::string text;
  bool busyLayout = false;  // Cancel up, the other commands hidden or disabled
  int focusedButton = 0;    // the button with the focus, which Enter presses (IDOK, IDCANCEL)
  bool cancelLooksDefault = false;  // the Cancel button is drawn as the default one
  bool hasIcon = false;     // an icon shows beside the text
};

class WindowDriver {
 public:
  bool Start() { return app_.Start(Options().sim, "--layout-record \"" + Options().layoutRecord + "\""); }
  SimProcess& Process() { return app_; }

  HWND Main() const;
  HWND Ctl(core::Control c) const;
  static int IdOf(core::Control c);

  // Waits for the introduction box, checks that the window is still hidden behind it (false
  // otherwise), presses OK and waits for the window to show.
  bool PassIntroduction(std::string& introText);
  // The first message box of the program that is up now, or null.
  HWND OpenBox() const;
  // Presses OK on every box that comes up, recording each, until `done` holds with no box up.
  // False on timeout.
  bool AnswerBoxesUntil(const std::function<bool()>& done, std::vector<SeenBox>& seen,
                        const std::function<void(HWND box)>& onBox = nullptr);
  static void PressOk(HWND box);
  // The box's default button and icon, as its thread's focus and its controls tell them.
  static void ReadButtonsAndIcon(HWND box, SeenBox& seen);

  bool BusyLayout() const;
  bool IdleLayout() const;
  bool Visible(core::Control c) const;
  bool Enabled(core::Control c) const;

  static std::string TextOf(HWND h);
  static std::string ComboItem(HWND combo, int index);
  static LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp);

 private:
  SimProcess app_;
};

}  // namespace sw::testing::win32
