// SizeWarden.exe: the window on the real drives of this machine.
#include "platform/DefaultOs.h"
#include "frontends/win32/RunMainWindow.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::unique_ptr<sw::platform::Os> os = sw::platform::MakeDefaultOs();
  return sw::frontends::win32::RunMainWindow(instance, *os);
}
