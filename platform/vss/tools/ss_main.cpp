// ss: the command-line client of the source-control stand-in (SsCommand.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/vss/SsCommand.h"
#include "platform/vss/VssStop.h"

int main(int argc, char** argv) {
    using namespace velt::vss;
    InstallStopSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    TSsCommand command;
    try {
        command = ParseSsCommandLine(args);
    } catch (const ESsUsage& e) {
        std::cerr << e.Message << "\n";
        return 100;
    }
    int code = RunSsCommand(command, ReadSsEnvironment(argc > 0 ? argv[0] : "ss"), std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout && code == 0) {
        std::cerr << "Cannot write to standard output\n";
        code = 100;
    }
    std::cerr.flush();
    EndByStopSignal();
    return code;
}
