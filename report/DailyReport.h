#pragma once

#include <string>
#include <vector>

#include "platform/Time.h"
#include "report/DayReport.h"

namespace tavik {

class CReportPages;

// What a written report holds.
struct CReportResult {
    std::string strPath;
    int nPages = 0;
    std::vector<std::string> notes;  // the notes about the inputs shown in the header
    // Inputs that could not be read; the report covers the others (a log folder's stations).
    std::vector<std::string> errors;
};

// Writes the daily measurement report of a result file (with its log and setup when given) as
// a PDF: header, summary, deviation distribution, the day's deviation, MPX power and multipath
// charts, and the log's lines. Throws CReportError when an input cannot be read, the PDF
// cannot be written or would replace an input. Needs a QApplication and runs on its thread
// (the charts are widgets); the platform may be offscreen.
CReportResult WriteDailyReport(const CReportOptions& options);

// The report of inputs already read, stamped as made at `made`.
CReportResult WriteDayReport(const CDayReport& report, const std::string& path, CTime made);

// Draws a day's report from the pages' current position; returns the notes about its inputs.
std::vector<std::string> DrawDayReport(CReportPages& pages, const CDayReport& report, CTime made);

// Throws CReportError when a report at `path` would replace one of `inputs` (empty ones are
// not given) or could not be written there: a device or a FIFO is never replaced, a symbolic
// link never followed.
void CheckReportOutput(const std::string& path, const std::vector<std::string>& inputs);

}  // namespace tavik
