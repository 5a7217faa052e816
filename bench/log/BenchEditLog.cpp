// What one report line costs in the window's own report box: trace lines appended through the
// log routines to the real main window, timed at the start of the log and again once it holds
// 100,000 and 200,000 lines. Figures side by side in one run.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/Context.h"
#include "core/Log.h"
#include "platform/sim/SimOs.h"

// Last: <windows.h> rewrites names the headers above define.
#include "frontends/win32/Win32Window.h"

namespace {

using sw::core::Control;

constexpr int kBatch = 1'000;
constexpr int kMarks[] = {0, 100'000, 200'000};  // lines the box holds when a batch starts
constexpr int kFillChunk = 10'000;               // lines added in one go between batches
constexpr double kTarget = 1.5;

// As long as a debug trace line: date, time, routine and figures (MyPrint puts CR LF first).
constexpr const char* kTraceLine =
    "08/12/2026 14:00:00 ReadSector 123456789 OK 512 bytes 0x00000000";

double Now() {
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds per line for one batch appended the way the program appends every trace line, with
// one turn of the message pump at the end, where the box receives and paints the text (the
// tests pump at each percent step, a thousand trace lines apart or more in a debug run).
double TimeBatch(sw::core::Context& ctx) {
  const std::string line = kTraceLine;
  const double from = Now();
  for (int i = 0; i < kBatch; ++i) sw::core::MyPrint(ctx, line);
  ctx.win.DoEvents();
  return (Now() - from) / kBatch;
}

// Grows the log to `lines` lines in large untimed pieces: the box ends up holding the same text
// it would after as many single appends, without the wait.
void FillTo(sw::core::Context& ctx, sw::frontends::win32::Win32Window& win, int& held,
            int lines) {
  std::string chunk;
  for (int i = 0; i < kFillChunk; ++i) chunk.append(sw::core::kCrLf).append(kTraceLine);
  while (held < lines) {
    const int n = std::min(kFillChunk, lines - held);
    const std::size_t bytes = chunk.size() / kFillChunk * static_cast<std::size_t>(n);
    sw::core::LogText(ctx, chunk.substr(0, bytes));
    held += n;
  }
  win.DoEvents();
}

}  // namespace

int main() {
  sw::platform::sim::SimOs os;
  sw::frontends::win32::Win32Window window(::GetModuleHandleA(nullptr));
  if (!window.Create()) {
    std::fprintf(stderr, "bench_editlog: the main window could not be created\n");
    return 1;
  }
  sw::core::Context ctx(os, window);
  ctx.state.DebugMode = true;
  window.Show();
  window.DoEvents();

  std::printf("Report box (Win32 EDIT, the program's main window): cost per appended line of\n"
              "%zu characters, CR LF first, through MyPrint; %d lines and one pump per batch.\n",
              std::string(kTraceLine).size() + 2, kBatch);
  double first = 0;
  int held = 0;
  for (int mark : kMarks) {
    FillTo(ctx, window, held, mark);
    const double seconds = TimeBatch(ctx);
    held += kBatch;
    if (mark == 0) first = seconds;
    std::printf("  lines %7d to %7d: %8.2f us/line   ratio to the first batch %5.2fx\n", mark,
                mark + kBatch, seconds * 1e6, seconds / first);
  }
  std::printf("Target: at most %.1fx the first batch's cost at every length.\n", kTarget);
  std::printf("The box holds %zu characters at the end.\n", window.TextLength(Control::Text1));
  std::fflush(stdout);
  return 0;
}
