// Start-up of the window program: common controls, COM for the shell, then the form.
#include "frontends/win32/RunMainWindow.h"

#include "core/Context.h"
#include "app/MainForm.h"
#include "frontends/win32/Win32Window.h"

#include <commctrl.h>
#include <objbase.h>

namespace sw::frontends::win32 {

int RunMainWindow(HINSTANCE instance, platform::Os& os) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // ShellExecuteA may hand the web page to a handler that needs COM on this thread.
  HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int exitCode = 1;
  {
    Win32Window window(instance);
    core::Context ctx(os, window);
    app::MainForm form(ctx);
    window.Attach(form);
    if (window.Create()) {
      form.Form_Load();
      form.OfferRestoreAtStart();
      exitCode = window.RunMessageLoop();
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return exitCode;
}

}  // namespace sw::frontends::win32
