// Entry of the window smoke test: window_smoke_test <SizeWardenSim.exe> [--hold <marker>].
// Exits 77 (counted as skipped) when there is no desktop to show windows on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "WindowDriver.h"

namespace {
constexpr int kSkipped = 77;
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  sw::testing::win32::SmokeOptions& options = sw::testing::win32::Options();
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--hold" && i + 1 < argc) {
      options.holdMarker = sw::testing::win32::WindowsPath(argv[++i]);
    } else {
      options.sim = arg;
    }
  }
  if (options.sim.empty()) {
    std::fprintf(stderr, "usage: window_smoke_test <SizeWardenSim.exe> [--hold <marker>]\n");
    return 2;
  }
  // Wine without an X display has no desktop: nothing to drive.
  HWND probe =
      ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!probe) {
    std::fprintf(stderr, "window_smoke_test: no desktop to show windows on; skipped\n");
    return kSkipped;
  }
  ::DestroyWindow(probe);
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  options.layoutRecord = std::string(temp) + "sw-smoke-layout-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  const int result = RUN_ALL_TESTS();
  ::DeleteFileA(options.layoutRecord.c_str());
  return result;
}
