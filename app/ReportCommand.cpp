#include "app/ReportCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>
#include <filesystem>

#include <QApplication>

#include "report/DailyReport.h"
#include "report/ReportError.h"
#include "report/StationsReport.h"
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

// The log beside the result file (same name, ".log") when none is given and there is one.
CReportOptions WithLogBeside(CReportOptions options) {
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

// "YYMMDD" with a month and a day that can be.
void CheckDay(const std::string& text) {
    const bool digits =
        text.size() == 6 && text.find_first_not_of("0123456789") == std::string::npos;
    const int month = digits ? std::stoi(text.substr(2, 2)) : 0;
    const int day = digits ? std::stoi(text.substr(4, 2)) : 0;
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        throw COptionValueError("\"" + text + "\" is not a day YYMMDD");
    }
}

// The report of a folder: all its stations, or its own result file of the day.
CReportResult WriteFolderReport(const CReportOptions& options, const std::string& chosenDay) {
    const std::string& path = options.strResultFile;
    if (!options.strLogFile.empty()) {
        throw CReportError("--log names the log of a result file; the result files of \"" + path +
                           "\" are reported with the logs beside them");
    }
    const CLogFolder folder = ReadLogFolder(path);
    if (!folder.stations.empty()) {
        const std::string day = chosenDay.empty() ? LatestStationDay(folder) : chosenDay;
        const bool held = std::any_of(
            folder.stations.begin(), folder.stations.end(), [&](const CStationFolder& station) {
                return std::binary_search(station.days.begin(), station.days.end(), day);
            });
        if (!held) {
            throw CReportError("No station folder of \"" + path + "\" holds " +
                               (day.empty() ? "a result file (tavikYYMMDD.xml)"
                                            : "the result file tavik" + day + ".xml"));
        }
        return WriteStationsReport(folder, day, options);
    }
    if (folder.days.empty()) {
        throw CReportError("\"" + path +
                           "\" holds neither result files (tavikYYMMDD.xml) nor station folders "
                           "(named by their frequency, such as 98.100)");
    }
    const std::string day = chosenDay.empty() ? folder.days.back() : chosenDay;
    if (!std::binary_search(folder.days.begin(), folder.days.end(), day)) {
        throw CReportError("\"" + path + "\" holds no result file tavik" + day + ".xml");
    }
    CReportOptions file = options;
    file.strResultFile = (std::filesystem::path(path) / ("tavik" + day + ".xml")).string();
    return WriteDailyReport(WithLogBeside(file));
}

}  // namespace

CReportCommand::CReportCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand(
          "report", "write the daily report PDF of a result file or of a log folder's stations")) {
    CLI::App& c = *m_pCommand;
    c.footer(
        "Writes the daily measurement report of a day's result file as a PDF: header, verdict,\n"
        "summary, deviation distribution, the day's deviation, MPX power and multipath charts\n"
        "and the log's alarm and event lines. A result file cut short is read up to its last\n"
        "whole record, and the report says so.\n"
        "\n"
        "Given a folder LOG, the day is --day, else the latest day of its result files\n"
        "tavikYYMMDD.xml. When LOG holds station folders named by their frequency (98.100,\n"
        "as analyse --stations writes them), one PDF (default LOG/tavikYYMMDD-stations.pdf)\n"
        "has a summary page of all stations, then each station's report, in frequency order;\n"
        "--setup then serves every station, its frequency being the folder's. A station\n"
        "without the day's file is listed as \"no data\"; one whose file cannot be read is\n"
        "listed with the reason, the others are reported, and the exit code is 1. Otherwise\n"
        "the report is that of LOG's own result file of the day.");
    c.add_option("RESULT.xml|LOG", m_options.strResultFile,
                 "the day's result file, or a log folder")
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
    AddTextOption(c, "--day", "YYMMDD", "the day of a folder's result files (default: the latest)",
                  [this](const std::string& v) {
                      CheckDay(v);
                      m_strDay = v;
                  });
}

CReportOptions CReportCommand::Options() const {
    return WithLogBeside(m_options);
}

int CReportCommand::Run(std::ostream& out, std::ostream& err) const {
    UseOffscreenPlatform();
    int argc = 1;
    char name[] = "tavik";
    char* argv[] = {name, nullptr};
    const QApplication app(argc, argv);
    try {
        std::error_code ec;
        const bool folder = std::filesystem::is_directory(m_options.strResultFile, ec);
        if (!folder && !m_strDay.empty()) {
            throw CReportError("--day chooses among the result files of a folder; \"" +
                               m_options.strResultFile + "\" is not a folder");
        }
        const CReportResult result =
            folder ? WriteFolderReport(m_options, m_strDay) : WriteDailyReport(Options());
        for (const std::string& note : result.notes) {
            err << "report: " << note << "\n";
        }
        for (const std::string& error : result.errors) {
            err << "report: " << error << "\n";
        }
        out << "Report: " << result.strPath << " (" << result.nPages
            << (result.nPages == 1 ? " page)\n" : " pages)\n");
        return result.errors.empty() ? 0 : 1;
    } catch (const CReportError& e) {
        err << "report: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace tavik
