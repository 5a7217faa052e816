// Dots per inch of a window and the outer size of a client area at a given DPI. Uses the
// per-monitor calls of Windows 10 when present and the system DPI before that.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace sw::frontends::win32 {

inline constexpr UINT kDefaultDpi = 96;
inline constexpr int kTwipsPerInch = 1440;

UINT DpiOf(HWND hwnd);
// Outer window rectangle (origin 0, 0) for a client area of the given pixel size.
RECT OuterRectFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

inline int TwipsToPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}
inline int PixelsToTwips(int pixels, UINT dpi) {
  return MulDiv(pixels, kTwipsPerInch, static_cast<int>(dpi));
}
// Font height in pixels (negative: character height) for a size in points.
inline int FontHeightFor(double points, UINT dpi) {
  return -MulDiv(static_cast<int>(points * 100 + 0.5), static_cast<int>(dpi), 7200);
}

}  // namespace sw::frontends::win32
