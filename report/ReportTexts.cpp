#include "report/ReportTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tavik {

namespace {

constexpr float kMultipathLimit = 2.0f;          // %/kHz, of the ITU-R measurement conditions
constexpr const char* kStationPrefix = "RDS: ";  // the log line of a decoded station

std::string Number(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

std::string Or(const std::string& text, const char* otherwise) {
    return text.empty() ? otherwise : text;
}

}  // namespace

std::string CReportTexts::Version() {
    return std::string("Tavik ") + TAVIK_VERSION;
}

std::string CReportTexts::FormatFixed(double value, int decimals) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    std::string text(digits, result.ptr);
    return text.find_first_not_of("-0.") == std::string::npos && text.starts_with('-')
               ? text.substr(1)  // no "-0.00"
               : text;
}

std::string CReportTexts::FormatDuration(std::int64_t seconds) {
    const std::int64_t hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    auto two = [](int value) { return (value < 10 ? "0" : "") + Number(value); };
    if (hours > 0) {
        return Number(hours) + " h " + two(minutes) + " min " + two(rest) + " s";
    }
    if (minutes > 0) {
        return Number(minutes) + " min " + two(rest) + " s";
    }
    return Number(rest) + " s";
}

std::string CReportTexts::TimeOfDay(std::uint32_t time) const {
    const CTime t(static_cast<std::time_t>(time));
    const CTime first(static_cast<std::time_t>(m_report.summary.nFirst));
    const bool sameDay = t.GetYear() == first.GetYear() && t.GetMonth() == first.GetMonth() &&
                         t.GetDay() == first.GetDay();
    return t.Format(sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S");
}

std::string CReportTexts::LogTime(const CLogLine& line) const {
    char text[48];
    const CTime first(static_cast<std::time_t>(m_report.summary.nFirst));
    const bool sameDay = m_report.summary.nSeconds == 0 ||
                         (line.nYear == first.GetYear() && line.nMonth == first.GetMonth() &&
                          line.nDay == first.GetDay());
    if (sameDay) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", line.nHour, line.nMinute, line.nSecond);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", line.nYear, line.nMonth,
                      line.nDay, line.nHour, line.nMinute, line.nSecond);
    }
    return text;
}

std::string CReportTexts::DateText() const {
    if (m_report.summary.nSeconds == 0) {
        return "no records";
    }
    return CTime(static_cast<std::time_t>(m_report.summary.nFirst)).Format("%A, %B %d, %Y");
}

std::string CReportTexts::SetupText(int field) const {
    if (!m_report.setup) {
        return "no setup given";
    }
    return Or(m_report.setup->m_strings[static_cast<std::size_t>(field)], "-");
}

std::vector<CReportRow> CReportTexts::HeaderRows(CTime made) const {
    const CDaySummary& s = m_report.summary;
    const CReportOptions& o = m_report.options;
    std::vector<CReportRow> rows;
    // A station folder's name is its frequency; one setup given for all its stations is not.
    rows.push_back({"Frequency", !o.strStation.empty() ? o.strStation + " MHz"
                                 : m_report.setup
                                     ? FormatFixed(m_report.setup->m_fFrequency, 2) + " MHz"
                                     : "not known: no setup given"});
    rows.push_back({"PI / PS", StationText()});
    rows.push_back({"Operator", SetupText(CProtocolHeader::OPERATOR)});
    rows.push_back({"Organisation", SetupText(CProtocolHeader::ORGANISATION)});
    rows.push_back({"Location", SetupText(CProtocolHeader::LOCATION)});
    rows.push_back({"Date", DateText()});
    if (s.nSeconds > 0) {
        const CTime end(static_cast<std::time_t>(s.nLast) + 1);
        rows.push_back({"Covered", TimeOfDay(s.nFirst) + " to " + TimeOfDay(s.nLast + 1) + " " +
                                       end.Format("%Z") + " (" +
                                       FormatDuration(s.nLast - std::int64_t{s.nFirst} + 1) + ")"});
    }
    rows.push_back({"Result file", o.strResultFile});
    rows.push_back({"Log file", Or(o.strLogFile, "not given")});
    rows.push_back({"Setup file",
                    Or(o.strSetupFile, o.openSetup ? "the open setup, not saved" : "not given")});
    rows.push_back({"Report", made.Format("made %Y-%m-%d %H:%M:%S %Z with ") + Version()});
    return rows;
}

std::vector<std::string> CReportTexts::Notes() const {
    const CResultFile& f = m_report.file;
    std::vector<std::string> notes;
    if (!f.bHeader) {
        notes.push_back("The result file does not begin with the result file header.");
    }
    if (f.nCutBytes > 0) {
        notes.push_back("The result file is cut short: " + Number(f.nCutBytes) +
                        " bytes after its last whole record are not read. The report covers its " +
                        Number(static_cast<std::int64_t>(f.records.size())) + " whole records.");
    } else if (!f.bFooter) {
        notes.push_back(
            "The result file has no footer: it was still being written, or cut off after its "
            "last whole record.");
    }
    if (!f.records.empty() && !f.strFirstDate.empty()) {
        const std::string here = CTime(static_cast<std::time_t>(f.records.front().m_nTimestamp))
                                     .Format("%A, %B %d, %Y, %H:%M:%S");
        if (here != f.strFirstDate) {
            notes.push_back(
                "The result file was written in another time zone: its first record "
                "reads \"" +
                f.strFirstDate + "\", here that time is \"" + here +
                "\". The report shows this computer's local time, the log's lines "
                "the time they were written with.");
        }
    }
    if (f.nDamaged > 0) {
        notes.push_back(Number(f.nDamaged) + " damaged records of the result file are left out.");
    }
    if (const int repeated = m_report.day.nRepeated; repeated > 0) {
        notes.push_back(repeated == 1 ? "1 record repeats a second already recorded; the first "
                                        "record of that second is used."
                                      : Number(repeated) +
                                            " records repeat seconds already recorded; the first "
                                            "record of each second is used.");
    }
    if (m_report.summary.nSeconds == 0) {
        notes.push_back("The result file holds no records.");
    }
    if (const int noSignal = m_report.day.nNoSignal; noSignal > 0) {
        notes.push_back(
            "Recorded without signal (no carrier or no receiver): " + FormatDuration(noSignal) +
            ". Their values were not measured and are left out.");
    }
    if (m_report.log) {
        if (m_report.log->nUnreadable > 0) {
            notes.push_back(Number(m_report.log->nUnreadable) +
                            " lines of the log are not in its format and are left out.");
        }
        if (m_report.log->bCutLine) {
            notes.push_back("The log's last line has no line end: it may be cut short.");
        }
    }
    return notes;
}

std::string CReportTexts::GapText() const {
    const CDaySummary& s = m_report.summary;
    if (s.gaps.empty()) {
        return "none";
    }
    const CGap& longest =
        *std::max_element(s.gaps.begin(), s.gaps.end(),
                          [](const CGap& a, const CGap& b) { return a.nCount < b.nCount; });
    return Number(static_cast<std::int64_t>(s.gaps.size())) +
           (s.gaps.size() == 1 ? " gap, " : " gaps, ") + Number(s.nMissing) +
           " s missing; the longest " + FormatDuration(longest.nCount) + " from " +
           TimeOfDay(longest.nFirstMissing);
}

std::string CReportTexts::AlarmText() const {
    if (!m_report.log) {
        return "no log given";
    }
    if (m_report.log->activations.empty()) {
        return "none";
    }
    std::string text;
    for (const auto& [name, count] : m_report.log->activations) {
        text += (text.empty() ? "\"" : ", \"") + name + "\" " + Number(count);
    }
    return text;
}

std::string CReportTexts::MeasuredText() const {
    const CDaySummary& s = m_report.summary;
    if (s.nSeconds == 0) {
        return "0 (no records)";
    }
    const int noSignal = m_report.day.nNoSignal;
    return Number(s.nSeconds - noSignal) +
           (noSignal > 0 ? " (" + Number(noSignal) + " s recorded without signal)" : "");
}

std::vector<CReportRow> CReportTexts::SummaryRows() const {
    const CDaySummary& s = m_report.summary;
    const std::string noData = "no data";
    auto timed = [&](const std::optional<CTimedValue>& value, const char* unit) {
        return value ? FormatFixed(value->fValue, 2) + " " + unit + " at " + TimeOfDay(value->nTime)
                     : noData;
    };
    std::vector<CReportRow> rows;
    rows.push_back({"Seconds measured", MeasuredText()});
    rows.push_back({"Gaps (missing seconds)", s.nSeconds == 0 ? "no records" : GapText()});
    rows.push_back({"Maximum deviation", timed(s.maxDeviation, "kHz")});
    rows.push_back({"Seconds above 75 kHz",
                    s.nDeviationSeconds == 0
                        ? noData
                        : Number(s.nAboveDeviationLimit) + " of " + Number(s.nDeviationSeconds) +
                              " (" + FormatFixed(s.PercentAboveDeviationLimit(), 2) + " %)"});
    rows.push_back({"Highest 60 s MPX power", timed(s.maxMpxPower, "dBr")});
    rows.push_back({"Time above 0 dBr (BS.412)",
                    s.nMpxPowerSeconds == 0
                        ? noData
                        : FormatFixed(s.MinutesAboveMpxPowerLimit(), 1) + " min (" +
                              Number(s.nAboveMpxPowerLimit) + " of " + Number(s.nMpxPowerSeconds) +
                              " s with a 60 s value)"});
    rows.push_back({"Multipath min / median / max",
                    s.nMultipathSeconds == 0 ? noData
                                             : FormatFixed(*s.multipathMin, 2) + " / " +
                                                   FormatFixed(*s.multipathMedian, 2) + " / " +
                                                   FormatFixed(*s.multipathMax, 2) + " %/kHz"});
    rows.push_back({"Alarm activations", AlarmText()});
    return rows;
}

std::string CReportTexts::SummaryFootnote() const {
    const int lastValue = m_report.day.nDeviationLastValue;
    const int measured = m_report.summary.nSeconds - m_report.day.nNoSignal;
    std::string text;
    if (lastValue == 0) {
        text = "Deviation: the highest value of each second.";
    } else if (lastValue == measured) {
        text =
            "Deviation: the last value of each second. Files written by earlier versions do not "
            "record each second's peak: the deviation alarms of the log may have seen higher "
            "values.";
    } else {
        text = "Deviation: the highest value of each second; for " + FormatDuration(lastValue) +
               " of the file, written by an earlier version that does not record each second's "
               "peak, the last value of the second: the deviation alarms of the log may have "
               "seen higher values there.";
    }
    return text +
           " MPX power: the 60-second value. MPX power and multipath count from a measurement's "
           "first value; the zeros recorded before it are left out. Seconds without a record are "
           "gaps.";
}

std::vector<CVerdictRow> CReportTexts::VerdictRows() const {
    const CDaySummary& s = m_report.summary;
    const float limit =
        m_report.setup ? m_report.setup->m_fDeviationLimit : CDaySummary::kDeviationLimit;
    int aboveLimit = 0;
    int aboveMultipath = 0;
    for (const CResultRecord& second : m_report.day.seconds) {
        aboveLimit += second.m_fDeviation > limit ? 1 : 0;
        aboveMultipath += second.m_fMultipath > kMultipathLimit ? 1 : 0;
    }
    // Seconds above a limit of those with a value; without one there is nothing to judge.
    const auto check = [](std::string what, int count, int of) {
        if (of == 0) {
            return CVerdictRow{std::move(what), "no second measured", EVerdictMark::NoData};
        }
        return CVerdictRow{std::move(what), Number(count) + " of " + Number(of) + " s",
                           count == 0 ? EVerdictMark::Pass : EVerdictMark::Attention, count};
    };
    std::vector<CVerdictRow> rows;
    rows.push_back(check("60 s MPX power above 0 dBr (ITU-R BS.412)", s.nAboveMpxPowerLimit,
                         s.nMpxPowerSeconds));
    rows.push_back(check("Deviation above the limit of " + FormatFixed(limit, 1) + " kHz" +
                             (m_report.setup ? "" : " (no setup given)"),
                         aboveLimit, s.nDeviationSeconds));
    rows.push_back(check("Multipath above 2 %/kHz (ITU-R measurement conditions)", aboveMultipath,
                         s.nMultipathSeconds));
    int activations = 0;
    if (m_report.log) {
        for (const auto& entry : m_report.log->activations) {
            activations += entry.second;
        }
    }
    // No alarm in a day without a measured second, or without its log, is no pass.
    const bool measured = s.nSeconds > m_report.day.nNoSignal;
    rows.push_back({"Alarm activations",
                    m_report.log ? Number(activations) : std::string("no log given"),
                    activations > 0            ? EVerdictMark::Attention
                    : m_report.log && measured ? EVerdictMark::Pass
                                               : EVerdictMark::NoData,
                    activations});
    return rows;
}

std::vector<std::string> CReportTexts::Stations() const {
    std::vector<std::string> stations;
    if (!m_report.log) {
        return stations;
    }
    for (const CLogLine& line : m_report.log->lines) {
        if (line.strText.rfind(kStationPrefix, 0) == 0) {
            std::string station = line.strText.substr(std::strlen(kStationPrefix));
            if (stations.empty() || stations.back() != station) {
                stations.push_back(std::move(station));
            }
        }
    }
    return stations;
}

std::string CReportTexts::StationText() const {
    if (!m_report.log) {
        return "not known: no log given";
    }
    const std::vector<std::string> stations = Stations();
    if (stations.empty()) {
        return "not in the log";
    }
    std::string text;
    for (const std::string& station : stations) {
        text += (text.empty() ? "" : "; then ") + station;
    }
    return text;
}

}  // namespace tavik
