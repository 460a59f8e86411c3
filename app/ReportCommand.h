#pragma once

#include <ostream>
#include <string>

#include "report/DayReport.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `tavik report RESULT.xml [--log LOG] [--setup FILE.tvk] [--out FILE.pdf]`: the daily
// measurement report of a result file as a PDF, without a display. Without --log the day's log
// beside the result file (same name, ".log") is taken when there is one. Given a folder
// (`[--day YYMMDD]`, else its latest day): with station folders ("98.100", ...) one PDF of all
// stations, a summary page first; else the report of its own result file of the day.
class CReportCommand {
public:
    // Adds the subcommand "report" to `parent`.
    explicit CReportCommand(CLI::App& parent);
    CReportCommand(const CReportCommand&) = delete;
    CReportCommand& operator=(const CReportCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    // The report's inputs as parsed, the log beside the result file filled in.
    CReportOptions Options() const;
    // After a successful parse. Returns the exit code: 0 written, 1 an input could not be read
    // or the PDF not written (a report of stations is written without the ones not read).
    int Run(std::ostream& out, std::ostream& err) const;

private:
    CLI::App* m_pCommand;
    CReportOptions m_options;
    std::string m_strDay;  // "YYMMDD" of a folder's day; empty: its latest
};

}  // namespace tavik
