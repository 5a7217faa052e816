// Windows 10 (1607) added per-window DPI; on older systems the whole desktop has one DPI.
#include "frontends/win32/Dpi.h"

namespace sw::frontends::win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleA("user32.dll");
  if (!user32) return nullptr;
  // GetProcAddress hands back a generic function pointer; the signature is the documented one.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

}  // namespace

UINT DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow && hwnd) {
    UINT dpi = getDpiForWindow(hwnd);
    if (dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

RECT OuterRectFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT r{0, 0, clientWidth, clientHeight};
  if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, dpi)) {
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  }
  return RECT{0, 0, r.right - r.left, r.bottom - r.top};
}

}  // namespace sw::frontends::win32
