// The main window's class, its message handling and the message loop: `this` travels in
// GWLP_USERDATA, control notifications become MainForm events.
#include "frontends/win32/Win32Window.h"

#include "core/Log.h"
#include "frontends/win32/ColourButton.h"
#include "frontends/win32/Dpi.h"
#include "frontends/win32/Resources.h"
#include "frontends/win32/WindowConstants.h"

namespace sw::frontends::win32 {
namespace {

using core::Control;
using app::kMainFormControls;

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

}  // namespace

Win32Window::~Win32Window() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Win32Window::Create() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Window::WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(SW_IDI_APP));
  wc.hIconSm = static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(SW_IDI_APP), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClassName;
  if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  ::CreateWindowExA(kWindowExStyle, kWindowClassName, core::kAppTitle, kWindowStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  return hwnd_ != nullptr;
}

int Win32Window::RunMessageLoop() {
  MSG msg{};
  for (;;) {
    FlushLog();
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    if (hwnd_ && ::IsDialogMessageA(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
  LRESULT result = self->HandleMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->controls_.fill(nullptr);
    self->tooltip_ = self->comboList_ = self->lastFocus_ = nullptr;
  }
  return result;
}

LRESULT Win32Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      CreateTooltips();
      ApplyDpi(DpiOf(hwnd_), nullptr);
      return 0;
    case WM_COMMAND:
      OnCommand(wp, lp);
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      int i = IndexOf(item->hwndItem);
      if (i < 0 || !backBrushes_[i]) break;
      DrawColourButton(*item, kMainFormControls[i].backColour, backBrushes_[i].get());
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return OnColour(msg, wp, lp);
    case WM_SETCURSOR:
      // The web address behaves as a link.
      if (reinterpret_cast<HWND>(wp) == Ctl(Control::Label2)) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    case WM_SIZE:
      OnResize();
      return 0;
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      HWND target = lastFocus_;
      if (!target || !::IsWindowEnabled(target) || !::IsWindowVisible(target)) {
        target = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
      }
      if (target) ::SetFocus(target);
      return 0;
    }
    case WM_CLOSE:
      // The close box: MainForm decides (while a test runs it acts as Cancel).
      if (form_ && !ended_) {
        form_->RequestClose();
      } else {
        ::DestroyWindow(hwnd_);
      }
      return 0;
    case WM_DESTROY:
      ended_ = true;
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, msg, wp, lp);
}

void Win32Window::OnCommand(WPARAM wp, LPARAM lp) {
  HWND from = reinterpret_cast<HWND>(lp);
  // Enter comes from the dialog manager as IDOK without a control; on a focused button of ours
  // (the coloured ones do not take part in default-button handling) it means a click.
  if (LOWORD(wp) == IDOK && !from) {
    HWND focus = ::GetFocus();
    int f = IndexOf(focus);
    if (f >= 0 && kMainFormControls[f].kind == app::ControlKind::Button) {
      ::SendMessageA(focus, BM_CLICK, 0, 0);
    }
    return;
  }
  int i = IndexOf(from);
  if (i < 0 || !form_ || ended_) return;
  // Only what the user can reach counts: a click queued before a control was disabled or
  // hidden (or sent to it from outside) does not start anything.
  if (!::IsWindowEnabled(from) || !(::GetWindowLongA(from, GWL_STYLE) & WS_VISIBLE)) return;
  const UINT code = HIWORD(wp);
  app::MainForm& f = *form_;
  switch (kMainFormControls[i].id) {
    case Control::cmdVolumeTest:
      if (code == BN_CLICKED) f.cmdVolumeTest_Click();
      break;
    case Control::cmdQuickTest:
      if (code == BN_CLICKED) f.cmdQuickTest_Click();
      break;
    case Control::cmdRefreshDrive:
      if (code == BN_CLICKED) f.cmdRefreshDrive_Click();
      break;
    case Control::cmdCancel:
      if (code == BN_CLICKED) f.cmdCancel_Click();
      break;
    case Control::cmdcleanup:
      if (code == BN_CLICKED) f.cmdcleanup_Click();
      break;
    case Control::cmdProbe:
      if (code == BN_CLICKED) f.cmdProbe_Click();
      break;
    case Control::cmdSurface:
      if (code == BN_CLICKED) f.cmdSurface_Click();
      break;
    case Control::cmdFix:
      if (code == BN_CLICKED) f.cmdFix_Click();
      break;
    case Control::cmdExit:
      if (code == BN_CLICKED) f.cmdExit_Click();
      break;
    case Control::cmdCopy:
      if (code == BN_CLICKED) f.cmdCopy_Click();
      break;
    case Control::cmdSaveReport:
      if (code == BN_CLICKED) f.cmdSaveReport_Click();
      break;
    case Control::chkShowAll:
      if (code == BN_CLICKED) f.chkShowAll_Click();
      break;
    case Control::Combo1:
      if (code == CBN_SELCHANGE) f.Combo1_Click();
      break;
    case Control::Label2:
      if (code == STN_CLICKED) f.Label2_Click();
      break;
    case Control::Drive1:
    case Control::Text1:
    case Control::Label1:
    case Control::chkThorough:  // read when the test starts
      break;
  }
}

LRESULT Win32Window::OnColour(UINT msg, WPARAM wp, LPARAM lp) {
  HDC dc = reinterpret_cast<HDC>(wp);
  HWND from = reinterpret_cast<HWND>(lp);
  int i = from == comboList_ ? IndexOf(Ctl(Control::Combo1)) : IndexOf(from);
  if (i >= 0) {
    const app::ControlLayout& row = kMainFormControls[i];
    if (row.foreColour != app::kSystemColour) ::SetTextColor(dc, row.foreColour);
    if (backBrushes_[i]) {
      ::SetBkColor(dc, row.backColour);
      return reinterpret_cast<LRESULT>(backBrushes_[i].get());
    }
    if (row.foreColour != app::kSystemColour) {
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return ::DefWindowProcA(hwnd_, msg, wp, lp);
}

void Win32Window::OnResize() {
  // Before Form_Load has recorded the designed size there is nothing to snap back to.
  if (!form_ || ended_ || resizing_ || form_->SavedWidth <= 0) return;
  resizing_ = true;
  form_->Form_Resize();
  resizing_ = false;
}

HWND Win32Window::Ctl(Control c) const {
  for (std::size_t i = 0; i < kControlCount; ++i) {
    if (kMainFormControls[i].id == c) return controls_[i];
  }
  return nullptr;
}

int Win32Window::IndexOf(HWND hwnd) const {
  if (!hwnd) return -1;
  for (std::size_t i = 0; i < kControlCount; ++i) {
    if (controls_[i] == hwnd) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace sw::frontends::win32
