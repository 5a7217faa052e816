// Remote control of the window program: controls by their numbers, boxes by their class.
#include "WindowDriver.h"

#include "frontends/win32/WindowConstants.h"

namespace sw::testing::win32 {
namespace {

using core::Control;

constexpr DWORD kStartTimeoutMs = 90000;  // a fresh Wine prefix takes its time
constexpr DWORD kStepTimeoutMs = 20000;
constexpr DWORD kRunTimeoutMs = 120000;
constexpr const char* kBoxClass = "#32770";
constexpr const char* kAppTitle = "SIZEWARDEN";
constexpr int kBoxTextId = 0xFFFF;  // the static text of a message box

}  // namespace

SmokeOptions& Options() {
  static SmokeOptions options;
  return options;
}

HWND WindowDriver::Main() const {
  return app_.FindWindowOf(frontends::win32::kWindowClassName, nullptr);
}

int WindowDriver::IdOf(Control c) {
  for (std::size_t i = 0; i < app::kMainFormControls.size(); ++i) {
    if (app::kMainFormControls[i].id == c) {
      return frontends::win32::kFirstControlId + static_cast<int>(i);
    }
  }
  return 0;
}

HWND WindowDriver::Ctl(Control c) const { return ::GetDlgItem(Main(), IdOf(c)); }

bool WindowDriver::PassIntroduction(std::string& introText) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = app_.FindWindowOf(kBoxClass, kAppTitle)) != nullptr; },
               kStartTimeoutMs)) {
    return false;
  }
  HWND main = Main();
  if (!main || ::IsWindowVisible(main)) return false;
  char text[4096] = {};
  ::GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
  introText = text;
  PressOk(box);
  return WaitFor([&] { return ::IsWindowVisible(main) != FALSE && !::IsWindow(box); },
                 kStepTimeoutMs);
}

HWND WindowDriver::OpenBox() const { return app_.FindWindowOf(kBoxClass, nullptr); }

void WindowDriver::ReadButtonsAndIcon(HWND box, SeenBox& seen) {
  // The focus of another process's window is known to its thread only. (DM_GETDEFID is no
  // help: Wine answers the template's IDOK whatever the style asked for.)
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &thread) && thread.hwndFocus &&
      ::GetParent(thread.hwndFocus) == box) {
    seen.focusedButton = ::GetDlgCtrlID(thread.hwndFocus);
  }
  if (HWND cancel = ::GetDlgItem(box, IDCANCEL)) {
    seen.cancelLooksDefault = (::GetWindowLongA(cancel, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  }
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if (::lstrcmpiA(cls, "Static") != 0 || (style & SS_TYPEMASK) != SS_ICON) continue;
    if ((style & WS_VISIBLE) && Send(child, STM_GETICON, 0, 0) != 0) seen.hasIcon = true;
  }
}

void WindowDriver::PressOk(HWND box) {
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}

bool WindowDriver::AnswerBoxesUntil(const std::function<bool()>& done, std::vector<SeenBox>& seen,
                                    const std::function<void(HWND box)>& onBox) {
  return WaitFor(
      [&] {
        if (HWND box = OpenBox()) {
          // A box found while it is still being built has no text yet: it shows itself only
          // once its controls are filled in.
          if (!::IsWindowVisible(box) || !::GetDlgItem(box, kBoxTextId)) return false;
          char text[4096] = {};
          ::GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
          seen.push_back({TextOf(box), text, BusyLayout()});
          ReadButtonsAndIcon(box, seen.back());
          if (onBox) onBox(box);
          PressOk(box);
          WaitFor([&] { return !::IsWindow(box); }, kStepTimeoutMs);
          return false;
        }
        return done();
      },
      kRunTimeoutMs);
}

bool WindowDriver::Visible(Control c) const {
  return (::GetWindowLongA(Ctl(c), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool WindowDriver::Enabled(Control c) const { return ::IsWindowEnabled(Ctl(c)) != FALSE; }

bool WindowDriver::BusyLayout() const {
  return Visible(Control::cmdCancel) && Enabled(Control::cmdCancel) &&
         !Enabled(Control::cmdRefreshDrive) && !Enabled(Control::Combo1) &&
         !Enabled(Control::cmdQuickTest) && !Visible(Control::cmdVolumeTest) &&
         !Visible(Control::cmdExit) && !Visible(Control::cmdCopy) && !Visible(Control::cmdcleanup) &&
         !Visible(Control::cmdSaveReport) && !Visible(Control::cmdProbe) && !Visible(Control::cmdSurface);
}

bool WindowDriver::IdleLayout() const {
  for (Control c :
       {Control::cmdQuickTest, Control::cmdRefreshDrive, Control::Combo1, Control::cmdcleanup,
        Control::cmdVolumeTest, Control::cmdExit, Control::cmdCopy, Control::cmdSaveReport,
        Control::cmdProbe, Control::cmdSurface}) {
    if (!Visible(c) || !Enabled(c)) return false;
  }
  return !Visible(Control::cmdCancel) && !Enabled(Control::cmdCancel) && !Visible(Control::Label1);
}

// GetWindowText would only give another process's caption, not an edit box's text, so the
// text is asked for with WM_GETTEXT. Wide on purpose: across processes Wine hands texts back in
// UTF-16 even to ANSI messages. Our texts are ASCII, so narrowing them is exact.
std::string WindowDriver::TextOf(HWND h) {
  LRESULT length = Send(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  ::SendMessageTimeoutW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kStepTimeoutMs, &got);
  std::string narrow;
  for (std::size_t i = 0; i < got && text[i]; ++i) narrow += static_cast<char>(text[i]);
  return narrow;
}

// Wide for the same reason as TextOf.
std::string WindowDriver::ComboItem(HWND combo, int index) {
  wchar_t text[1024] = {};
  ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  std::string narrow;
  for (const wchar_t* p = text; *p; ++p) narrow += static_cast<char>(*p);
  return narrow;
}

LRESULT WindowDriver::Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, kStepTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

}  // namespace sw::testing::win32
