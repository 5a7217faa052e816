// The controls of the main window, made from the layout table: window class and style per kind,
// colours, tooltips, and the DPI-dependent fonts and rectangles.
#include "frontends/win32/Win32Window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "frontends/win32/Dpi.h"
#include "frontends/win32/WindowConstants.h"

namespace sw::frontends::win32 {
namespace {

using app::ControlKind;
using app::ControlLayout;
using app::kMainFormControls;

struct ControlClass {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassFor(const ControlLayout& row) {
  switch (row.kind) {
    case ControlKind::Button:
      return {"BUTTON",
              static_cast<DWORD>(WS_TABSTOP | (row.graphical ? BS_OWNERDRAW : BS_PUSHBUTTON)), 0};
    case ControlKind::ComboBox:
    case ControlKind::DriveListBox:
      return {"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::TextBox:
      // Read-only: only the program writes the log, so the copy the window keeps stays true.
      return {"EDIT",
              static_cast<DWORD>(WS_TABSTOP | ES_LEFT | ES_READONLY |
                                 (row.multiLineScroll ? ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL
                                                      : ES_AUTOHSCROLL)),
              WS_EX_CLIENTEDGE};
    case ControlKind::Label:
      return {"STATIC", static_cast<DWORD>((row.centred ? SS_CENTER : SS_LEFT) | SS_NOTIFY), 0};
    case ControlKind::CheckBox:
      return {"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
  }
  return {"STATIC", 0, 0};
}

HFONT MakeFont(const char* name, double points, bool bold, bool italic, bool underline, UINT dpi) {
  return ::CreateFontA(FontHeightFor(points, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                       italic ? TRUE : FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, name);
}

bool IsListKind(ControlKind kind) {
  return kind == ControlKind::ComboBox || kind == ControlKind::DriveListBox;
}

}  // namespace

void Win32Window::CreateControls() {
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const ControlLayout& row = kMainFormControls[i];
    ControlClass cls = ClassFor(row);
    DWORD style = WS_CHILD | cls.style;
    // The drive-letter list only stands for the system's letters; it is never shown.
    if (row.visibleAtStart && row.kind != ControlKind::DriveListBox) style |= WS_VISIBLE;
    controls_[i] =
        ::CreateWindowExA(cls.exStyle, cls.className, row.caption, style, 0, 0, 0, 0, hwnd_,
                          reinterpret_cast<HMENU>(kFirstControlId + i), instance_, nullptr);
    if (row.backColour != app::kSystemColour)
      backBrushes_[i].reset(::CreateSolidBrush(row.backColour));
    if (IsListKind(row.kind) && row.backColour != app::kSystemColour) {
      // Under visual styles a drop-down list is drawn as a themed button and ignores its colour.
      ::SetWindowTheme(controls_[i], L"", L"");
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (::GetComboBoxInfo(controls_[i], &info)) comboList_ = info.hwndList;
    }
  }
  // No limit on the log: a debug run writes far more than the default 30,000 characters.
  ::SendMessageA(Ctl(core::Control::Text1), EM_SETLIMITTEXT, 0, 0);
}

void Win32Window::CreateTooltips() {
  tooltip_ =
      ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
  if (!tooltip_) return;
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const ControlLayout& row = kMainFormControls[i];
    if (!row.tooltip || !*row.tooltip || !controls_[i]) continue;
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(controls_[i]);
    tool.lpszText = const_cast<char*>(row.tooltip);  // the API copies it
    ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Window::ApplyDpi(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  // New fonts go to the controls before the old ones are deleted.
  Font font(MakeFont(kDefaultFontName, kDefaultFontPoints, false, false, false, dpi));
  std::array<Font, kControlCount> own;
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const app::ControlFont& f = kMainFormControls[i].font;
    if (f.name) own[i].reset(MakeFont(f.name, f.points, f.bold, f.italic, f.underline, dpi));
    HFONT use = own[i] ? own[i].get() : font.get();
    ::SendMessageA(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(use), FALSE);
  }
  defaultFont_ = std::move(font);
  ownFonts_ = std::move(own);

  for (std::size_t i = 0; i < kControlCount; ++i) {
    const ControlLayout& row = kMainFormControls[i];
    int height = TwipsToPixels(row.rect.height, dpi);
    if (IsListKind(row.kind)) {
      // A drop-down list's window height includes its open list; the field's own height
      // follows from the item height of the field.
      ::SendMessageA(controls_[i], CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     height - kComboFieldPadding);
      height *= kDropDownRows + 1;
    }
    ::SetWindowPos(controls_[i], nullptr, TwipsToPixels(row.rect.left, dpi),
                   TwipsToPixels(row.rect.top, dpi), TwipsToPixels(row.rect.width, dpi), height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(controls_[i], nullptr, TRUE);
  }
  if (tooltip_) {
    ::SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0,
                   MulDiv(kTooltipWidth, static_cast<int>(dpi), 96));
  }

  RECT outer =
      OuterRectFor(TwipsToPixels(app::kClientWidth, dpi), TwipsToPixels(app::kClientHeight, dpi),
                   static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)),
                   static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_EXSTYLE)), dpi);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE);
  ::SetWindowPos(hwnd_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
                 outer.right, outer.bottom, flags);
}

bool Win32Window::IsList(core::Control c) const { return IsListKind(app::LayoutOf(c).kind); }

}  // namespace sw::frontends::win32
