// The help's longer parts: the footer of the whole program, each command's short one, the
// simulated drives' options drawn from the simulator's own table, and the program's name.
#pragma once

#include <string>

namespace sw::frontends::cli {

// Exit statuses, questions, the simulated drives and the probe's bound: after the overview.
std::string ProgramFooter();
// After one command's options: the exit statuses in brief and where the rest is told; the
// probe adds its bound on its writes.
std::string CommandFooter(const std::string& program, bool probe);
// "--simulate DESC ..." with one line (or more, wrapped) for every option the simulator takes.
std::string SimulateHelp();
// The probe's bound on its writes for a few drive sizes, by the engine's own formula.
std::string ProbeBoundText();
// The name the program was called by (argv[0] without its folder); the usual name when there
// is none.
std::string ProgramName(int argc, const char* const argv[]);

}  // namespace sw::frontends::cli
