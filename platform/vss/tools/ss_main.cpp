// ss: the command-line client of the source-control stand-in (SsCommand.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/vss/SsCommand.h"

int main(int argc, char** argv) {
    using namespace velt::vss;
    std::vector<std::string> args(argv + 1, argv + argc);
    TSsCommand command;
    try {
        command = ParseSsCommandLine(args);
    } catch (const ESsUsage& e) {
        std::cerr << e.Message << "\n";
        return 100;
    }
    return RunSsCommand(command, ReadSsEnvironment(argc > 0 ? argv[0] : "ss"), std::cout, std::cerr);
}
