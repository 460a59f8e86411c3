#include "app/ReportCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <QApplication>

#include "report/DailyReport.h"
#include "report/ReportError.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

std::string Value(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        throw COptionValueError(args[i] + ": a file name is missing");
    }
    return args[++i];
}

// The charts are widgets, so the report needs an application object; it shows nothing, so it
// draws on Qt's offscreen platform unless told otherwise: the same PDF with or without a
// display, and no failure from a display that is set but gone.
void UseOffscreenPlatform() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // Without a session (cron, ssh, a service) Qt would warn on stderr that XDG_RUNTIME_DIR is
    // not set and then use /tmp/runtime-UID: that folder is given quietly instead.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime == nullptr || *runtime == 0) {
        const std::string folder = "/tmp/runtime-" + std::to_string(getuid());
        struct stat info {};
        if ((mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) &&
            lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
            (info.st_mode & 077) == 0) {
            setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        }
    }
}

}  // namespace

CReportCommand::CParsed CReportCommand::Parse(const std::vector<std::string>& args) {
    CParsed parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.bHelp = true;
            return parsed;
        }
        if (arg == "--log") {
            parsed.options.strLogFile = Value(args, i);
        } else if (arg == "--setup") {
            parsed.options.strSetupFile = Value(args, i);
        } else if (arg == "--out") {
            parsed.options.strOutFile = Value(args, i);
        } else if (arg.starts_with("-")) {
            throw COptionValueError(arg + ": unknown option");
        } else if (!parsed.options.strResultFile.empty()) {
            throw COptionValueError(arg + ": only one result file makes a report");
        } else {
            parsed.options.strResultFile = arg;
        }
    }
    if (parsed.options.strResultFile.empty()) {
        throw COptionValueError("the result file is missing");
    }
    return parsed;
}

std::string CReportCommand::Usage() {
    return "Usage: tavik report RESULT.xml [options]\n"
           "Writes the daily measurement report of a day's result file as a PDF: header,\n"
           "summary, deviation distribution, the day's deviation, MPX power and multipath\n"
           "charts and the log's alarm and event lines. A result file cut short is read up to\n"
           "its last whole record, and the report says so.\n"
           "  --log FILE     the day's text log (alarm activations and event lines)\n"
           "  --setup FILE   the setup (.tvk) of the measurement (frequency, operator,\n"
           "                 organisation, location)\n"
           "  --out FILE     the PDF to write (default: RESULT with .pdf)\n";
}

int CReportCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
    CParsed parsed;
    try {
        parsed = Parse(args);
    } catch (const COptionValueError& e) {
        err << "report: " << e.what() << "\n" << Usage();
        return 2;
    }
    if (parsed.bHelp) {
        out << Usage();
        return 0;
    }
    UseOffscreenPlatform();
    int argc = 1;
    char name[] = "tavik";
    char* argv[] = {name, nullptr};
    const QApplication app(argc, argv);
    try {
        const CReportResult result = WriteDailyReport(parsed.options);
        for (const std::string& note : result.notes) {
            err << "report: " << note << "\n";
        }
        out << "Report: " << result.strPath << " (" << result.nPages
            << (result.nPages == 1 ? " page)\n" : " pages)\n");
    } catch (const CReportError& e) {
        err << "report: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tavik
