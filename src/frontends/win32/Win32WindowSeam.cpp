// The window seam on real controls: texts, states, the lists, the window's geometry in twips,
// message boxes, the message pump, the clipboard, the shell and the keyboard.
#include "frontends/win32/Win32Window.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "frontends/win32/Dpi.h"
#include "frontends/win32/WindowConstants.h"

namespace sw::frontends::win32 {
namespace {

using core::Control;

std::string WindowText(HWND hwnd) {
  if (!hwnd) return {};
  int length = ::GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = ::GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::string ComboItem(HWND combo, int index) {
  LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT got = ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

}  // namespace

bool Win32Window::Shown() const {
  return hwnd_ && (::GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

std::string Win32Window::Text(Control c) {
  if (c == Control::Text1) return text1_;
  HWND h = Ctl(c);
  if (IsList(c)) return ComboItem(h, ListIndex(c));
  return WindowText(h);
}

void Win32Window::SetText(Control c, const std::string& text) {
  HWND h = Ctl(c);
  if (!h) return;
  if (c == Control::Text1) {
    FlushLog();
    // The log only grows between restarts: append the new tail instead of replacing the whole
    // text, which keeps long debug runs fast and the box from flickering.
    if (text.size() >= text1_.size() && text.compare(0, text1_.size(), text1_) == 0 &&
        !text1_.empty()) {
      std::string tail = text.substr(text1_.size());
      DWORD end = static_cast<DWORD>(::GetWindowTextLengthA(h));
      ::SendMessageA(h, EM_SETSEL, end, end);
      ::SendMessageA(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(tail.c_str()));
    } else {
      ::SetWindowTextA(h, text.c_str());
    }
    text1_ = text;
    return;
  }
  if (IsList(c)) {
    LRESULT found = ::SendMessageA(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageA(h, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : found, 0);
    return;
  }
  ::SetWindowTextA(h, text.c_str());
  ::InvalidateRect(h, nullptr, TRUE);  // owner-drawn buttons paint their caption themselves
}

void Win32Window::AppendText(Control c, const std::string& text) {
  HWND h = Ctl(c);
  if (!h || c != Control::Text1 || text1_.empty()) return Window::AppendText(c, text);
  // Nothing paints before the next turn of the pump: the box gets the text then, in one piece.
  pending_ += text;
  text1_ += text;
}

void Win32Window::FlushLog() {
  HWND h = Ctl(Control::Text1);
  if (!h || pending_.empty()) return;
  // Caret to the end (the box clamps the position) and the new text in place of the empty
  // selection: the box never copies or measures what it already holds.
  const std::size_t held = text1_.size() - pending_.size();
  ::SendMessageA(h, EM_SETSEL, held, held);
  ::SendMessageA(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(pending_.c_str()));
  ::SendMessageA(h, EM_SCROLLCARET, 0, 0);
  pending_.clear();
}

std::size_t Win32Window::TextLength(Control c) {
  return c == Control::Text1 ? text1_.size() : Window::TextLength(c);
}

bool Win32Window::Enabled(Control c) {
  HWND h = Ctl(c);
  return h && ::IsWindowEnabled(h);
}

void Win32Window::SetEnabled(Control c, bool enabled) {
  HWND h = Ctl(c);
  if (!h) return;
  if (!enabled) MoveFocusFrom(h);
  ::EnableWindow(h, enabled ? TRUE : FALSE);
}

bool Win32Window::Visible(Control c) {
  HWND h = Ctl(c);
  // The control's own flag: before the window shows, IsWindowVisible would say false for all.
  return h && (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
}

void Win32Window::SetVisible(Control c, bool visible) {
  HWND h = Ctl(c);
  if (!h || c == Control::Drive1) return;
  if (!visible) MoveFocusFrom(h);
  ::ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Window::MoveFocusFrom(HWND ctl) {
  if (::GetFocus() != ctl) return;
  HWND next = ::GetNextDlgTabItem(hwnd_, ctl, FALSE);
  ::SetFocus(next && next != ctl ? next : hwnd_);
}

void Win32Window::SetSelStart(Control c, std::size_t start) {
  HWND h = Ctl(c);
  if (!h || c != Control::Text1) return;
  // Text still waiting leaves the caret at the end and in view when it reaches the box.
  if (!pending_.empty() && start >= text1_.size()) return;
  FlushLog();
  ::SendMessageA(h, EM_SETSEL, start, start);
  ::SendMessageA(h, EM_SCROLLCARET, 0, 0);
}

void Win32Window::SetSelLength(Control c, std::size_t length) {
  HWND h = Ctl(c);
  if (!h || c != Control::Text1) return;
  // After an append the caret is at the end; an empty selection there is what the flush leaves.
  if (!pending_.empty() && length == 0) return;
  FlushLog();
  DWORD start = 0;
  ::SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  ::SendMessageA(h, EM_SETSEL, start, start + length);
  ::SendMessageA(h, EM_SCROLLCARET, 0, 0);
}

void Win32Window::ClearItems(Control c) {
  if (IsList(c)) ::SendMessageA(Ctl(c), CB_RESETCONTENT, 0, 0);
}

void Win32Window::AddItem(Control c, const std::string& item) {
  if (IsList(c)) ::SendMessageA(Ctl(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int Win32Window::ListCount(Control c) {
  if (!IsList(c)) return 0;
  LRESULT n = ::SendMessageA(Ctl(c), CB_GETCOUNT, 0, 0);
  return n == CB_ERR ? 0 : static_cast<int>(n);
}

std::string Win32Window::ListItem(Control c, int index) {
  return IsList(c) ? ComboItem(Ctl(c), index) : std::string();
}

int Win32Window::ListIndex(Control c) {
  if (!IsList(c)) return -1;
  LRESULT i = ::SendMessageA(Ctl(c), CB_GETCURSEL, 0, 0);
  return i == CB_ERR ? -1 : static_cast<int>(i);
}

void Win32Window::SetListIndex(Control c, int index) {
  if (IsList(c)) ::SendMessageA(Ctl(c), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Window::Value(Control c) {
  HWND h = Ctl(c);
  return h && ::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Window::SetValue(Control c, int value) {
  if (HWND h = Ctl(c)) ::SendMessageA(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Window::SetCaption(const std::string& caption) {
  if (hwnd_) ::SetWindowTextA(hwnd_, caption.c_str());
}

std::string Win32Window::Caption() { return WindowText(hwnd_); }

core::TwipsRect Win32Window::Bounds() {
  RECT r{};
  if (hwnd_) ::GetWindowRect(hwnd_, &r);
  return {PixelsToTwips(r.left, dpi_), PixelsToTwips(r.top, dpi_),
          PixelsToTwips(r.right - r.left, dpi_), PixelsToTwips(r.bottom - r.top, dpi_)};
}

void Win32Window::SetBounds(const core::TwipsRect& r) {
  if (!hwnd_) return;
  ::SetWindowPos(hwnd_, nullptr, TwipsToPixels(r.left, dpi_), TwipsToPixels(r.top, dpi_),
                 TwipsToPixels(r.width, dpi_), TwipsToPixels(r.height, dpi_),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Window::ScreenWidth() { return PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN), dpi_); }

int Win32Window::ScreenHeight() { return PixelsToTwips(::GetSystemMetrics(SM_CYSCREEN), dpi_); }

bool Win32Window::Minimized() { return hwnd_ && ::IsIconic(hwnd_); }

void Win32Window::Show() {
  if (!hwnd_ || ended_) return;
  FlushLog();
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  ::SetForegroundWindow(hwnd_);
}

void Win32Window::EndProgram() {
  ended_ = true;
  if (hwnd_) ::DestroyWindow(hwnd_);  // WM_DESTROY posts the quit message
}

int Win32Window::MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) {
  // The introduction comes before the window shows; a box without a visible owner gets its own
  // taskbar button and holds every window of the program until it is answered.
  FlushLog();  // the box's own loop paints the log
  HWND owner = Shown() ? hwnd_ : nullptr;
  UINT flags = style | (owner ? 0 : MB_TASKMODAL);
  return ::MessageBoxA(owner, prompt.c_str(), title.c_str(), flags);
}

void Win32Window::DoEvents() {
  FlushLog();
  MSG msg{};
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The main loop must still see it.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (hwnd_ && ::IsDialogMessageA(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void Win32Window::ClipboardClear() {
  if (!::OpenClipboard(hwnd_)) return;
  ::EmptyClipboard();
  ::CloseClipboard();
}

void Win32Window::ClipboardSetText(const std::string& text) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!memory) return;
  void* p = ::GlobalLock(memory);
  if (!p) {
    ::GlobalFree(memory);  // never hand the clipboard memory that holds no text
    return;
  }
  std::memcpy(p, text.c_str(), text.size() + 1);
  ::GlobalUnlock(memory);
  if (!::OpenClipboard(hwnd_)) {
    ::GlobalFree(memory);
    return;
  }
  ::EmptyClipboard();
  // On success the clipboard owns the memory.
  if (!::SetClipboardData(CF_TEXT, memory)) ::GlobalFree(memory);
  ::CloseClipboard();
}

void Win32Window::OpenWebPage(const std::string& url) {
  ::ShellExecuteA(nullptr, kOpenVerb, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string Win32Window::AskSavePath(const std::string& title, const std::string& suggestedName) {
  // Long enough for any path the ANSI calls can open.
  std::string file(MAX_PATH, '\0');
  suggestedName.copy(file.data(), std::min(suggestedName.size(), file.size() - 1));
  OPENFILENAMEA ofn{};
  FlushLog();  // the dialog's own loop paints the log
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Shown() ? hwnd_ : nullptr;
  ofn.lpstrFilter = kSaveFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = kSaveDefaultExtension;
  // The program's working folder stays where it was; an existing file is replaced only when
  // the user says so.
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!::GetSaveFileNameA(&ofn)) return {};  // cancelled (or the dialog failed: nothing chosen)
  file.resize(std::strlen(file.c_str()));
  return file;
}

std::int16_t Win32Window::GetAsyncKeyState(int virtualKey) {
  return static_cast<std::int16_t>(::GetAsyncKeyState(virtualKey));
}

}  // namespace sw::frontends::win32
