// The real main window: the controls of the layout table at their twips positions (scaled for
// the monitor's DPI), painted in their colours, with tooltips and access keys; its events go to
// MainForm, and the window seam is served with plain user32 calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/MainForm.h"
#include "app/MainFormLayout.h"
#include "core/Window.h"

// <windows.h> last: its macros (VK_SHIFT, IDOK, ...) would rewrite names in the headers above.
#include "frontends/win32/GdiObject.h"

namespace sw::frontends::win32 {

inline constexpr std::size_t kControlCount = app::kMainFormControls.size();

class Win32Window final : public core::Window {
 public:
  explicit Win32Window(HINSTANCE instance) : instance_(instance) {}
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // The form that receives the events; set before Create.
  void Attach(app::MainForm& form) { form_ = &form; }
  // Creates the main window, hidden, with every control. False when Windows refuses.
  bool Create();
  // Runs until the program ends; returns the exit code of WM_QUIT.
  int RunMessageLoop();
  HWND Handle() const { return hwnd_; }

  // --- core::Window ---
  std::string Text(core::Control c) override;
  void SetText(core::Control c, const std::string& text) override;
  void AppendText(core::Control c, const std::string& text) override;
  std::size_t TextLength(core::Control c) override;
  bool Enabled(core::Control c) override;
  void SetEnabled(core::Control c, bool enabled) override;
  bool Visible(core::Control c) override;
  void SetVisible(core::Control c, bool visible) override;
  void SetSelStart(core::Control c, std::size_t start) override;
  void SetSelLength(core::Control c, std::size_t length) override;
  void ClearItems(core::Control c) override;
  void AddItem(core::Control c, const std::string& item) override;
  int ListCount(core::Control c) override;
  std::string ListItem(core::Control c, int index) override;
  int ListIndex(core::Control c) override;
  void SetListIndex(core::Control c, int index) override;
  int Value(core::Control c) override;
  void SetValue(core::Control c, int value) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() override;
  core::TwipsRect Bounds() override;
  void SetBounds(const core::TwipsRect& r) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  bool Minimized() override;
  void Show() override;
  void EndProgram() override;
  int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) override;
  void DoEvents() override;
  void ClipboardClear() override;
  void ClipboardSetText(const std::string& text) override;
  void OpenWebPage(const std::string& url) override;
  std::string AskSavePath(const std::string& title, const std::string& suggestedName) override;
  std::int16_t GetAsyncKeyState(int virtualKey) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(WPARAM wp, LPARAM lp);
  LRESULT OnColour(UINT msg, WPARAM wp, LPARAM lp);
  void OnResize();

  // Win32WindowControls.cpp: creation from the layout table and the DPI-dependent parts.
  void CreateControls();
  void CreateTooltips();
  // Fonts, control rectangles and the window's size for this DPI; the window keeps its place
  // (or moves to `suggested`, the rectangle Windows proposes on a DPI change).
  void ApplyDpi(UINT dpi, const RECT* suggested);

  HWND Ctl(core::Control c) const;
  // Index of a control window in the layout table, or -1.
  int IndexOf(HWND hwnd) const;
  bool IsList(core::Control c) const;
  // Before a focused control is hidden or disabled: hand the focus to the next one that can
  // take it, so the keyboard keeps working.
  void MoveFocusFrom(HWND ctl);
  // Whether the main window shows yet: message boxes before that have no owner.
  bool Shown() const;
  // Hands the log text appended since the last call to the box, caret at the end and in view.
  // Called before anything can paint or read the box: the message pump, modal boxes, showing.
  void FlushLog();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND comboList_ = nullptr;  // the drop-down list of Combo1, painted in its colour too
  HWND lastFocus_ = nullptr;  // restored when the window is activated again
  app::MainForm* form_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  std::array<Font, kControlCount> ownFonts_;      // only for controls with a font of their own
  std::array<Brush, kControlCount> backBrushes_;  // only for controls with a back colour
  Font defaultFont_;
  UINT dpi_ = 96;
  std::string text1_;  // the log; the box is read-only, so this copy is always its text
  // The tail of text1_ the box does not hold yet. Every insertion into an edit control costs
  // time in proportion to all the text it holds (Wine's measures the whole buffer each time),
  // so appends are gathered and handed over once per turn of the message pump.
  std::string pending_;
  bool ended_ = false;
  bool resizing_ = false;
};

}  // namespace sw::frontends::win32
