// zk: the command-line front end of the ZK language system.
#include "cli/Cli.h"
#include "platform/Console.h"

#include <iostream>

int main(int argc, char** argv) {
    zk::PrepareConsole();
    const std::vector<std::string> args = zk::CommandLineArguments(argc, argv);
    return zk::cli::RunCommandLine(args, std::cout, std::cerr);
}
