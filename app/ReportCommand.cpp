#include "app/ReportCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>
#include <filesystem>

#include <QApplication>

#include "report/DailyReport.h"
#include "report/ReportError.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

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

CReportCommand::CReportCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("report", "write the daily report PDF of a result file")) {
    CLI::App& c = *m_pCommand;
    c.footer(
        "Writes the daily measurement report of a day's result file as a PDF: header, verdict,\n"
        "summary, deviation distribution, the day's deviation, MPX power and multipath charts\n"
        "and the log's alarm and event lines. A result file cut short is read up to its last\n"
        "whole record, and the report says so.");
    c.add_option("RESULT.xml", m_options.strResultFile, "the day's result file")
        ->required()
        ->type_name("");
    AddTextOption(c, "--log", "FILE",
                  "the day's text log (default: the result file's name with .log, when there)",
                  [this](const std::string& v) { m_options.strLogFile = v; });
    AddTextOption(c, "--setup", "FILE",
                  "the setup (.tvk) of the measurement (frequency, operator, organisation,\n"
                  "location, deviation limit)",
                  [this](const std::string& v) { m_options.strSetupFile = v; });
    AddTextOption(c, "--out", "FILE", "the PDF to write (default: RESULT with .pdf)",
                  [this](const std::string& v) { m_options.strOutFile = v; });
}

CReportOptions CReportCommand::Options() const {
    CReportOptions options = m_options;
    if (options.strLogFile.empty()) {
        std::error_code ec;
        const std::filesystem::path log =
            std::filesystem::path(options.strResultFile).replace_extension(".log");
        if (std::filesystem::is_regular_file(log, ec)) {
            options.strLogFile = log.string();
        }
    }
    return options;
}

int CReportCommand::Run(std::ostream& out, std::ostream& err) const {
    UseOffscreenPlatform();
    int argc = 1;
    char name[] = "tavik";
    char* argv[] = {name, nullptr};
    const QApplication app(argc, argv);
    try {
        const CReportResult result = WriteDailyReport(Options());
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
