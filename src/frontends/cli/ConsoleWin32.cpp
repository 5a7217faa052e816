// The console on Windows. While Ctrl-C is caught the console's processed input is switched off,
// so Ctrl-C arrives as an ordinary key (character 3) in the input queue instead of as a signal
// to a handler thread; DoEvents finds it there. No handler and no global flag are needed.
// Ctrl-Break still ends the program, as it does for every console program.
#include <windows.h>

#include "frontends/cli/Console.h"

namespace sw::frontends::cli {
namespace {

constexpr char kCtrlC = 3;
constexpr char kBackspace = 8;
constexpr DWORD kRecordsAtOnce = 16;

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}

class Win32Console final : public Console {
 public:
  explicit Win32Console(bool catchCtrlC) {
    // The console itself, even when stdin is redirected: Ctrl-C is typed there.
    input_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (!IsConsole(input_) || !catchCtrlC) return;
    if (GetConsoleMode(input_, &previousMode_) &&
        SetConsoleMode(input_, previousMode_ & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT))) {
      catching_ = true;
    }
  }
  ~Win32Console() override {
    if (catching_) SetConsoleMode(input_, previousMode_);
    if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
  }
  Win32Console(const Win32Console&) = delete;
  Win32Console& operator=(const Win32Console&) = delete;

  bool Interactive() override { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }
  bool OutputIsTerminal(bool errorStream) override {
    return IsConsole(GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE));
  }

  int Columns(bool errorStream) override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE),
                                    &info)) {
      return 0;
    }
    // The visible window, not the buffer, which is often far wider.
    return info.srWindow.Right - info.srWindow.Left + 1;
  }

  bool CancelPressed() override {
    if (!catching_) return false;
    bool pressed = false;
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(input_, &waiting) && waiting > 0) {
      INPUT_RECORD records[kRecordsAtOnce];
      DWORD got = 0;
      if (!ReadConsoleInputA(input_, records, kRecordsAtOnce, &got) || got == 0) break;
      // Keys typed while a test runs mean nothing else; only Ctrl-C counts.
      for (DWORD i = 0; i < got; ++i) pressed = pressed || IsCtrlC(records[i]);
    }
    return pressed;
  }

  ReadResult ReadLine(std::string& line, std::ostream& echo) override {
    line.clear();
    if (!catching_) {
      // Processed input: the console edits and echoes the line itself.
      char buffer[256];
      DWORD got = 0;
      if (!ReadConsoleA(input_, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        return ReadResult::EndOfInput;
      }
      line.assign(buffer, got);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      return ReadResult::Line;
    }
    for (;;) {
      INPUT_RECORD record;
      DWORD got = 0;
      if (!ReadConsoleInputA(input_, &record, 1, &got) || got == 0) return ReadResult::EndOfInput;
      if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
      const char c = record.Event.KeyEvent.uChar.AsciiChar;
      if (c == kCtrlC) return ReadResult::Interrupted;
      if (c == '\r') {
        echo << '\n' << std::flush;
        return ReadResult::Line;
      }
      if (c == kBackspace) {
        if (!line.empty()) {
          line.pop_back();
          echo << "\b \b" << std::flush;
        }
      } else if (static_cast<unsigned char>(c) >= ' ') {
        line.push_back(c);
        echo << c << std::flush;
      }
    }
  }

 private:
  static bool IsCtrlC(const INPUT_RECORD& r) {
    return r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown &&
           r.Event.KeyEvent.uChar.AsciiChar == kCtrlC;
  }

  HANDLE input_ = INVALID_HANDLE_VALUE;
  DWORD previousMode_ = 0;
  bool catching_ = false;
};

}  // namespace

std::unique_ptr<Console> MakeConsole(bool catchCtrlC) {
  return std::make_unique<Win32Console>(catchCtrlC);
}

}  // namespace sw::frontends::cli
