// SizeWardenSim.exe: the same window on the simulated demo drives (E: a 32 GB stick that holds
// 8 GB, F: a genuine 16 GB stick), for the smoke test, screenshots and trying it out safely.
#include <memory>

#include "frontends/H2wBlockRecipe.h"
#include "frontends/win32/RunMainWindow.h"
#include "platform/sim/SimOs.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  sw::platform::sim::SimOs os;
  os.SetBlockRecipe(std::make_shared<sw::frontends::H2wBlockRecipe>());
  sw::platform::sim::AddDemoDrives(os);
  return sw::frontends::win32::RunMainWindow(instance, os);
}
