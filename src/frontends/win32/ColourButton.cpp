// A raised face in the button's colour, sunken while pressed; the caption centred and wrapped,
// its access key underlined when the keyboard is in use, grey when disabled.
#include "frontends/win32/ColourButton.h"

#include <string>

namespace sw::frontends::win32 {

void DrawColourButton(const DRAWITEMSTRUCT& item, COLORREF back, HBRUSH backBrush) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;

  ::FillRect(dc, &r, backBrush);
  ::DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  int length = ::GetWindowTextLengthA(item.hwndItem);
  std::string caption(static_cast<std::size_t>(length) + 1, '\0');
  ::GetWindowTextA(item.hwndItem, caption.data(), length + 1);
  caption.resize(static_cast<std::size_t>(length));

  RECT text = r;
  ::InflateRect(&text, -4, -3);
  if (pressed) ::OffsetRect(&text, 1, 1);
  UINT format = DT_CENTER | DT_WORDBREAK;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  // Centre the wrapped lines vertically: measure first, then draw in the middle.
  RECT measured = text;
  ::DrawTextA(dc, caption.c_str(), length, &measured, format | DT_CALCRECT);
  int spare = (text.bottom - text.top) - (measured.bottom - measured.top);
  if (spare > 0) text.top += spare / 2;

  ::SetBkMode(dc, TRANSPARENT);
  ::SetBkColor(dc, back);
  ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  ::DrawTextA(dc, caption.c_str(), length, &text, format);

  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = r;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(dc, &focus);
  }
}

}  // namespace sw::frontends::win32
