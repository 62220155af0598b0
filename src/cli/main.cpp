// zk: the command-line front end of the ZK language system.
#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zk::cli::RunCommandLine(args, std::cout, std::cerr);
}
