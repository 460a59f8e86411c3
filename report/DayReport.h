#pragma once

#include <optional>
#include <string>

#include "document/ProtocolHeader.h"
#include "report/DaySeconds.h"
#include "report/DaySummary.h"
#include "report/EventLog.h"
#include "report/ResultFile.h"

namespace tavik {

// What a daily report is made from; empty paths are not given.
struct CReportOptions {
    std::string strResultFile;
    std::string strLogFile;
    std::string strSetupFile;
    std::string strOutFile;  // empty: the result file's name with ".pdf"
    // The setup as the application has it open (saved or not); it is used instead of reading
    // strSetupFile, which then only names where it came from.
    std::optional<CProtocolHeader> openSetup;
    // The station folder's name (its frequency in MHz, "98.100") when the result file is one of
    // a log folder's stations.
    std::string strStation;
};

// The inputs of a daily report, read and summarised.
struct CDayReport {
    CReportOptions options;
    CResultFile file;
    CDaySeconds day;
    CDaySummary summary;
    std::optional<CEventLog> log;
    std::optional<CProtocolHeader> setup;
};

// Reads the result file, the log and the setup the options name and summarises the day.
// Throws CReportError when one of them cannot be read.
CDayReport LoadDayReport(const CReportOptions& options);

// Reads a setup (.tvk) as the application opens it; throws CReportError when it cannot.
CProtocolHeader ReadReportSetup(const std::string& path);

// Summarises records already read (the report of a result file's text).
void SummariseRecords(CDayReport& report);

// The output path: the option, else the result file's name with its extension replaced by
// ".pdf" (added when it has none).
std::string ReportOutputPath(const CReportOptions& options);

}  // namespace tavik
