#include "report/DayReport.h"

#include <filesystem>

#include "document/SetupFile.h"
#include "report/ReportError.h"

namespace tavik {

CProtocolHeader ReadReportSetup(const std::string& path) {
    CProtocolHeader header;
    CAlarmMap alarms;
    std::string why;
    if (ReadSetupFile(path, header, alarms, why) != ESetupRead::Read) {
        throw CReportError("Could not read the setup file \"" + path +
                           "\": The file could not be read: " + why);
    }
    return header;
}

void SummariseRecords(CDayReport& report) {
    report.day = MakeDaySeconds(report.file.records);
    report.summary = SummariseDay(report.day);
}

CDayReport LoadDayReport(const CReportOptions& options) {
    CDayReport report;
    report.options = options;
    report.file = ReadResultFile(options.strResultFile);
    SummariseRecords(report);
    if (!options.strLogFile.empty()) {
        report.log = ReadEventLog(options.strLogFile);
    }
    if (options.openSetup) {
        report.setup = options.openSetup;
    } else if (!options.strSetupFile.empty()) {
        report.setup = ReadReportSetup(options.strSetupFile);
    }
    return report;
}

std::string ReportOutputPath(const CReportOptions& options) {
    if (!options.strOutFile.empty()) {
        return options.strOutFile;
    }
    return std::filesystem::path(options.strResultFile).replace_extension(".pdf").string();
}

}  // namespace tavik
