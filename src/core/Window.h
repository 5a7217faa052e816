// The window seam: the controls of the main window by name, modal message boxes, the message
// loop, the clipboard, the shell, the keyboard and the window's geometry. The Win32 window, the
// terminal and the tests' ScriptedWindow implement it; the window logic only talks to this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sw::core {

enum class Control {
  cmdVolumeTest,
  cmdQuickTest,
  Combo1,
  Drive1,
  cmdRefreshDrive,
  cmdCancel,
  cmdcleanup,
  cmdExit,
  cmdCopy,
  Text1,
  Label1,
  Label2,
  chkShowAll,
  chkThorough,  // the thorough file test instead of the default one
  cmdSaveReport,  // the report and the drive map saved to files
  cmdProbe,       // the exact probe
  cmdSurface,     // the full-surface test
  cmdFix,         // Make Usable: partition and format to the real end a test measured
};

// Positions and sizes in twips (1,440 per inch; 15 per pixel at 96 DPI).
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

inline constexpr int VK_SHIFT = 0x10;

// How far a long phase of a test has come, for front ends that show it live (the terminal's one
// updating line). The report keeps its own progress lines whatever a front end does with this.
struct ProgressUpdate {
  std::string phase;               // "Writing markers", "Verifying files", ...
  std::uint64_t done = 0;          // units done in this phase
  std::uint64_t total = 0;         // units in the phase (0: unknown)
  std::uint64_t bytesMoved = 0;    // data moved in this phase so far (0: no data moves)
  double elapsedSeconds = 0;       // since the phase began
  double remainingSeconds = -1;    // -1: unknown
  // The next text the report gets starts the report's own progress line for this step: a front
  // end that shows this update live may leave that line off its screen.
  bool reportLineFollows = false;
};

class Window {
 public:
  virtual ~Window() = default;

  // Caption of a button, label or check box; the text of Text1; the selected entry's text of
  // Combo1.
  virtual std::string Text(Control c) = 0;
  virtual void SetText(Control c, const std::string& text) = 0;
  // What SetText(c, Text(c) + text) does, and the length of Text(c). The log grows by appending
  // to Text1 many thousand times a run, so windows that hold a long text override these to cost
  // what the new text costs, not what the whole text does.
  virtual void AppendText(Control c, const std::string& text) { SetText(c, Text(c) + text); }
  virtual std::size_t TextLength(Control c) { return Text(c).size(); }
  virtual bool Enabled(Control c) = 0;
  virtual void SetEnabled(Control c, bool enabled) = 0;
  virtual bool Visible(Control c) = 0;
  virtual void SetVisible(Control c, bool visible) = 0;

  // Caret and selection of Text1 (character positions).
  virtual void SetSelStart(Control c, std::size_t start) = 0;
  virtual void SetSelLength(Control c, std::size_t length) = 0;

  // The drop-down list Combo1: entries in the order added; -1 = nothing selected.
  virtual void ClearItems(Control c) = 0;
  virtual void AddItem(Control c, const std::string& item) = 0;
  virtual int ListCount(Control c) = 0;
  virtual std::string ListItem(Control c, int index) = 0;
  virtual int ListIndex(Control c) = 0;
  virtual void SetListIndex(Control c, int index) = 0;

  // The check boxes chkShowAll and chkThorough: 0 unticked, 1 ticked.
  virtual int Value(Control c) = 0;
  virtual void SetValue(Control c, int value) = 0;

  // The window itself.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() = 0;
  virtual TwipsRect Bounds() = 0;
  virtual void SetBounds(const TwipsRect& r) = 0;
  virtual int ScreenWidth() = 0;   // twips
  virtual int ScreenHeight() = 0;  // twips
  virtual bool Minimized() = 0;
  virtual void Show() = 0;
  virtual void EndProgram() = 0;

  // Modal message box: prompt, style (MB_* values), title. Returns the button pressed (IDOK, ...).
  virtual int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) = 0;
  // Hands control to the message loop once (repaint, clicks on the enabled controls).
  virtual void DoEvents() = 0;

  virtual void ClipboardClear() = 0;
  virtual void ClipboardSetText(const std::string& text) = 0;
  virtual void OpenWebPage(const std::string& url) = 0;
  // Asks where to save a file (title of the question, the name it suggests). Returns the path
  // chosen, or empty when the user cancelled or the window cannot ask (the terminal saves with
  // --report and --map instead).
  virtual std::string AskSavePath(const std::string& title, const std::string& suggestedName) {
    (void)title;
    (void)suggestedName;
    return {};
  }
  // As GetAsyncKeyState: nonzero when the key is (or was) down.
  virtual std::int16_t GetAsyncKeyState(int virtualKey) = 0;

  // A long phase's progress; the window and the tests' window have no use for it.
  virtual void ShowProgress(const ProgressUpdate& update) { (void)update; }
};

}  // namespace sw::core
