// The result log: everything the program reports goes into the text of Text1.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::core {

inline constexpr const char* kCrLf = "\r\n";
inline constexpr const char* kAppTitle = "SIZEWARDEN";

// Appends text exactly as given; never adds a line break of its own.
void LogText(Context& ctx, const std::string& text);
// In debug mode only: a new line holding text. Otherwise the log is left byte for byte alone.
void MyPrint(Context& ctx, const std::string& text);
// A debug trace line: the current local date-time in the general format, then text (which
// begins with a space by convention).
void Trace(Context& ctx, const std::string& text);
// Logs the prompt on a new line (no extra break when it already begins with CR LF), then shows
// it in a modal box. Returns the button pressed.
int LogMsgBox(Context& ctx, const std::string& prompt, std::uint32_t style,
              const std::string& title = kAppTitle);
// Keeps the newest text in view: caret at the end, nothing selected.
void Text1_Change(Context& ctx);

}  // namespace sw::core
