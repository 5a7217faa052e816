// sizewarden: the terminal front end.
#include <iostream>

#include "frontends/cli/Cli.h"

int main(int argc, char* argv[]) {
  return sw::frontends::cli::RunCli(argc, argv, std::cout, std::cerr,
                                    sw::frontends::cli::MakeConsole);
}
