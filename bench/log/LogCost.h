// What one report line costs to append, on the windows the program logs into.
#pragma once

#include <functional>
#include <memory>

#include "core/Window.h"

namespace sw::bench {

using WindowFactory = std::function<std::shared_ptr<core::Window>()>;

// Seconds per line of a log that grows from empty to `lines` trace lines, averaged over fresh
// windows from makeWindow until at least `totalLines` lines were appended.
double LogSecondsPerLine(const WindowFactory& makeWindow, int lines, int totalLines);

// The same, appended to a bare std::string: what the memory the text grows into costs by itself
// (fresh pages, copies as the string doubles), the floor under every window's figure.
double StringSecondsPerLine(int lines, int totalLines);

// The terminal's window, printing into a stream that drops everything.
std::shared_ptr<core::Window> MakeTerminalWindow();

}  // namespace sw::bench
