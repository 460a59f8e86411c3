// The executables tavik (the subcommands of the command line, without Qt) and tavik-gui
// (built with TAVIK_WINDOW: the same subcommands, `report`, and the application window). tavik
// hands the window's command lines and `report` to tavik-gui.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/GuiOptions.h"
#include "platform/File.h"
#ifdef TAVIK_WITH_REPORT
#include "app/ReportCommand.h"
#endif
#ifndef TAVIK_WINDOW
#include "app/WindowLauncher.h"
#endif

namespace {

// `tavik`, `tavik FILE.tvk`, `tavik --start [FILE.tvk]`: the application window; any other
// command line that is not a subcommand gets the overview of the commands, after the word
// that is no command (and the command it is nearest to).
int RunGui(int argc, char** argv, const tavik::CCommandLine& commands) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto gui = tavik::ParseGuiCommandLine(args)) {
        return tavik::RunGuiCommand(argc, argv, *gui);
    }
    if (const std::string unknown = commands.UnknownCommand(args); !unknown.empty()) {
        std::cerr << unknown << "\n\n";
    }
    std::cerr << commands.Usage();
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file: a closed stdout must not be taken by a lock or day file.
    tavik::OpenStandardDescriptors();
    const std::vector<std::string> args(argv + 1, argv + argc);
    tavik::CCommandLine commands;
#ifdef TAVIK_WITH_REPORT
    // `tavik report RESULT.xml|LOG [--log LOG] [--setup FILE.tvk] [--out FILE.pdf] [--day YYMMDD]`:
    // needs Qt.
    tavik::CReportCommand report(commands.Parser());
    commands.AddCommand(report.Command(), [&report](std::ostream& out, std::ostream& err) {
        return report.Run(out, err);
    });
#else
    if (!args.empty() && args.front() == "report") {
        return tavik::RunInWindowExecutable(argv, "tavik report");
    }
#endif
    if (!commands.IsCommand(args)) {
        return RunGui(argc, argv, commands);
    }
    return commands.Run(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
