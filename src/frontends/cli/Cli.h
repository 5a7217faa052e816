// The terminal front end's whole run: arguments, the machine (real or simulated), the window
// logic, the command, the exit status.
#pragma once

#include <functional>
#include <memory>
#include <ostream>

#include "frontends/cli/Console.h"

namespace sw::frontends::cli {

// Exit statuses.
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNotRun = 2;
inline constexpr int kExitCancelled = 3;

using ConsoleFactory = std::function<std::unique_ptr<Console>(bool catchCtrlC)>;

// out receives the report and the list, err the message boxes, questions and errors.
int RunCli(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
           const ConsoleFactory& makeConsole);

}  // namespace sw::frontends::cli
