#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/DayReport.h"
#include "report/ReportTexts.h"

namespace tavik {

// A station's folder under a log folder, named by its frequency in MHz with three decimals
// ("98.100"), as the analysis of several stations writes them.
struct CStationFolder {
    std::string strName;
    int nKilohertz = 0;
    std::string strPath;
    std::vector<std::string> days;  // "YYMMDD" of its result files tavikYYMMDD.xml, in order
    std::string strError;           // why it could not be listed
};

// What a folder given to the report holds: result files of its own and station folders.
struct CLogFolder {
    std::string strPath;
    std::vector<std::string> days;         // of its own result files, in order
    std::vector<CStationFolder> stations;  // by frequency
};

// The frequency in kHz of a station folder's name: "87.500" to "108.000", three decimals.
std::optional<int> StationFolderKilohertz(std::string_view name);
// "260615" of the day's result file name "tavik260615.xml"; empty for any other name.
std::string ResultFileDay(std::string_view name);
// "Monday, June 15, 2026" of "260615".
std::string DayText(const std::string& day);

// Lists a folder and its station folders; throws CReportError when the folder cannot be read.
CLogFolder ReadLogFolder(const std::string& path);
// The latest day of any of the folder's stations; empty when none has a result file.
std::string LatestStationDay(const CLogFolder& folder);

// One station's day: its report, or why there is none.
struct CStationDay {
    std::string strName;        // "98.100"
    std::string strResultFile;  // the day's result file; empty when the station has none
    std::optional<CDayReport> report;
    std::string strError;  // why the day's files could not be read
};

// Each station's result file of `day` with the log beside it, the other options (the setup,
// already read) from `base`. A file that cannot be read leaves its station's error.
std::vector<CStationDay> LoadStationDays(const CLogFolder& folder, const std::string& day,
                                         const CReportOptions& base);

// A figure of the stations' summary, marked when it is the count of a check.
struct CSummaryCell {
    std::string strText;
    std::optional<EVerdictMark> mark;
};

// A station's row of the summary: its figures, or instead a message why there are none, and
// its verdict: "fail" when a check of its report needs attention, "pass" when every check
// passes, else "no data"; "not read" when its files could not be read.
struct CStationRow {
    std::string strFrequency;
    std::vector<CSummaryCell> cells;  // under StationColumns(); empty with a message
    std::string strMessage;
    std::string strVerdict;
    EVerdictMark verdict = EVerdictMark::NoData;
};

// The heads of the figures' columns, between the frequency's and the verdict's.
const std::vector<std::string>& StationColumns();
CStationRow StationSummaryRow(const CStationDay& station);

}  // namespace tavik
