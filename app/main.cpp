// The tavik executable: the subcommands of the command line, or the graphical application.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

// `tavik`, `tavik FILE.tvk`, `tavik --start [FILE.tvk]`: the graphical application. Until it
// is built, the overview of the commands.
int RunGui(int /*argc*/, char** /*argv*/, const tavik::CCommandLine& commands) {
    std::cerr << commands.Usage();
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    tavik::CCommandLine commands;
    if (!commands.IsCommand(args)) {
        return RunGui(argc, argv, commands);
    }
    return commands.Run(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
