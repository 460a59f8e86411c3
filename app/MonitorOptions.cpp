#include "app/MonitorOptions.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "tools/OptionParser.h"

namespace tavik {

namespace {

std::string Text(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

[[noreturn]] void Fail(const std::string& option, const std::string& reason) {
    throw COptionError("monitor: " + option + ": " + reason);
}

double Number(const std::string& option, const std::string& text, double lo, double hi) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        Fail(option, "\"" + text + "\" is not a number");
    }
    if (value < lo || value > hi) {
        Fail(option, "\"" + text + "\" is outside " + Text(lo) + " to " + Text(hi));
    }
    return value;
}

int WholeNumber(const std::string& option, const std::string& text, long lo, long hi) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size()) {
        Fail(option, "\"" + text + "\" is not a whole number");
    }
    if (value < lo || value > hi) {
        Fail(option,
             "\"" + text + "\" is outside " + std::to_string(lo) + " to " + std::to_string(hi));
    }
    return static_cast<int>(value);
}

}  // namespace

CMonitorOptions CMonitorOptionParser::Parse(const std::vector<std::string>& args) {
    CMonitorOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options.bHelp = true;
            return options;
        }
        if (option == "--enable-alarms") {
            options.bEnableAlarms = true;
            continue;
        }
        if (option != "--seconds" && option != "--log-folder" && option != "--setup" &&
            option != "--frequency" && option != "--speed") {
            Fail(option, "unknown option");
        }
        if (i + 1 >= args.size()) {
            Fail(option, "needs a value");
        }
        const std::string& value = args[++i];
        if (option == "--seconds") {
            options.nSeconds = WholeNumber(option, value, 1, 10L * 365 * 86400);
        } else if (option == "--log-folder") {
            // A missing folder is made when logging starts.
            if (value.empty()) {
                Fail(option, "needs a folder");
            }
            options.strLogFolder = value;
        } else if (option == "--setup") {
            options.strSetupFile = value;
        } else if (option == "--frequency") {
            options.frequency = static_cast<float>(Number(option, value, 87.5, 108.0));
        } else {
            options.fSpeed = Number(option, value, 0.1, 1000.0);
        }
    }
    return options;
}

std::string CMonitorOptionParser::Usage() {
    return "Usage: tavik monitor [options]   measure the recordings in the working directory\n"
           "  --seconds N          stop after N seconds (default: run until SIGINT/SIGTERM)\n"
           "  --log-folder DIR     write the result file and the log into DIR (never deletes)\n"
           "  --setup FILE.tvk     open this setup first\n"
           "  --enable-alarms      enable every alarm of the setup\n"
           "  --frequency MHZ      tune to this frequency (87.5 to 108)\n"
           "One line per second: elapsed time, deviation and its maximum (kHz), MPX power 1 s\n"
           "and 60 s (dBr), multipath (%/kHz) with the ITU-R status, RF level (dBuV), PI, PS,\n"
           "RDS bit error rate and the active alarms; \"-\" where no value exists yet.\n";
}

}  // namespace tavik
