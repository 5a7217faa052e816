// The Win32 program around any provider of the OS services: window, form, start-up, loop.
#pragma once

#include "platform/Os.h"

// <windows.h>'s HINSTANCE, declared without the header: its macros clash with our names.
struct HINSTANCE__;

namespace sw::frontends::win32 {

// Creates the main window on `os`, runs Form_Load and the message loop; returns the exit code.
int RunMainWindow(HINSTANCE__* instance, platform::Os& os);

}  // namespace sw::frontends::win32
