#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Time.h"
#include "report/DayReport.h"

namespace tavik {

// One line of a two-column table: what and its value.
struct CReportRow {
    std::string strLabel;
    std::string strValue;
};

// The mark of a check: nothing counted, something counted, or nothing measured to count.
enum class EVerdictMark { Pass, Attention, NoData };

// One check of the verdict box: what was counted, the count, and its mark.
struct CVerdictRow {
    std::string strCheck;
    std::string strCount;
    EVerdictMark mark = EVerdictMark::Pass;
    int nCount = 0;  // seconds above the limit, or alarm activations
};

// The texts of a daily report, apart from the drawing so that they can be checked as text.
// Numbers are written with a point whatever the process locale.
class CReportTexts {
public:
    explicit CReportTexts(const CDayReport& report) : m_report(report) {}

    static std::string Version();  // "Tavik 0.1"
    // `decimals` places; infinities and NaN as the result file writes them.
    static std::string FormatFixed(double value, int decimals);
    // "1 h 02 min 05 s", "2 min 30 s", "45 s".
    static std::string FormatDuration(std::int64_t seconds);

    // The local date of the first record: "Monday, June 15, 2026"; "no records" without one.
    std::string DateText() const;
    // Station, people, date, covered span, input files, tool version and `made`.
    std::vector<CReportRow> HeaderRows(CTime made) const;
    // What was wrong with the inputs; empty when nothing was.
    std::vector<std::string> Notes() const;
    // The day's figures.
    std::vector<CReportRow> SummaryRows() const;
    // What the figures are, below them: whether the deviation is each second's peak or, in
    // files of earlier versions, its last value.
    std::string SummaryFootnote() const;
    // The checks of page 1: seconds above 0 dBr (60 s MPX power), seconds above the setup's
    // deviation limit (75 kHz without a setup), seconds above the 2 %/kHz multipath limit of
    // the ITU-R measurement conditions, and alarm activations. Any count above 0 needs
    // attention; a check without a measured second (or without the log) has no data.
    std::vector<CVerdictRow> VerdictRows() const;
    // The stations the log names ("PI D313, PS \"TAVIK FM\""), in the order they came, each
    // change once; none without the log.
    std::vector<std::string> Stations() const;
    // The local time of a second: "10:04:07", with the date when not the report's day.
    std::string TimeOfDay(std::uint32_t time) const;
    // The time column of a log line, with the date when not the report's day.
    std::string LogTime(const CLogLine& line) const;

private:
    std::string SetupText(int field) const;
    std::string MeasuredText() const;
    std::string GapText() const;
    std::string AlarmText() const;
    std::string StationText() const;

    const CDayReport& m_report;
};

}  // namespace tavik
