// Paints a "graphical" push button in its own back colour: Windows ignores colours for push
// buttons, so these are BS_OWNERDRAW and the window paints them on WM_DRAWITEM.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace sw::frontends::win32 {

void DrawColourButton(const DRAWITEMSTRUCT& item, COLORREF back, HBRUSH backBrush);

}  // namespace sw::frontends::win32
