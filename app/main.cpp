// The tavik executable: dispatches its subcommands.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/AnalyseCommand.h"
#include "app/GuiOptions.h"
#include "app/MonitorCommand.h"
#ifdef TAVIK_WITH_REPORT
#include "app/ReportCommand.h"
#endif
#include "tools/GenerateCommand.h"

namespace {

int Usage() {
    std::cerr << "Usage: tavik generate OUTDIR [options]   write synthetic demo recordings\n"
                 "       tavik generate --help            the generator's options\n"
                 "       tavik monitor [options]          measure the recordings in the working\n"
                 "                                        directory without a display\n"
                 "       tavik monitor --help             the monitor's options\n"
                 "       tavik analyse [DIR] [options]    analyse recordings as fast as possible\n"
                 "       tavik analyse --help             the analysis's options\n"
                 "       tavik report RESULT.xml [opts]   the daily report PDF of a result file\n"
                 "       tavik report --help              the report's options\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The application window: no arguments, FILE.tvk, or --start [FILE.tvk].
    if (const auto gui = tavik::ParseGuiCommandLine({argv + 1, argv + argc})) {
        return tavik::RunGuiCommand(argc, argv, *gui);
    }
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "generate") {
        return tavik::RunGenerateCommand(args, std::cout, std::cerr);
    }
    if (command == "monitor") {
        return tavik::RunMonitorCommand(args, std::cout, std::cerr);
    }
    if (command == "analyse") {
        return tavik::CAnalyseCommand::Run(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    }
#ifdef TAVIK_WITH_REPORT
    if (command == "report") {
        return tavik::CReportCommand::Run(args, std::cout, std::cerr);
    }
#endif
    return Usage();
}
