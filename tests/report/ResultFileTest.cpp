// Result files and logs read back (whole records only, the damage noted, values as written) and
// the day's figures and texts on hand-made records: gaps, repeated seconds, the zeros before a
// measurement's first values, the limits' boundaries; the day charts: points per column
// without losing peaks, gaps left open, and the drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "report/ChartSeries.h"
#include "report/DayReport.h"
#include "report/EventLog.h"
#include "report/ReportCharts.h"
#include "report/ReportTexts.h"
#include "report/ResultFile.h"
#include "report/TimeOfDayDisplay.h"

namespace tavik {
namespace {

// A record by its fields' names: in a braced list the time would become the second's peak.
CResultRecord Record(float multipath, float deviation, float power, std::uint32_t time) {
    CResultRecord record;
    record.m_fMultipath = multipath;
    record.m_fDeviation = deviation;
    record.m_fMPXPower = power;
    record.m_nTimestamp = time;
    return record;
}

// Three records (multipath, deviation, MPX power, time) in the writer's own layout; `footer` closes
// the file.
std::string ThreeRecords(bool footer) {
    std::string text(CResultLog::HEADER);
    CResultLog::AppendRecord(text, 1, Record(0.5f, 61.5f, -0.25f, 1781517600));
    CResultLog::AppendRecord(text, 2, Record(0.75f, 76.25f, -INFINITY, 1781517601));
    CResultLog::AppendRecord(text, 3, Record(NAN, 60.0f, 1.5f, 1781517602));
    if (footer) {
        text += CResultLog::FOOTER;
    }
    return text;
}

struct SFileCase {
    const char* name;
    std::string text;
    std::size_t records;
    bool header;
    bool footer;
    std::int64_t cutBytes;
    int damaged;
};

TEST(ResultFile, ReadsWholeRecordsAndTellsWhatIsWrong) {
    const std::string whole = ThreeRecords(true);
    const std::string open = ThreeRecords(false);
    const std::size_t thirdStart = open.rfind("      <Measurement");
    std::string damaged = open;  // the second record's deviation unreadable
    damaged.replace(damaged.find("76.250000"), 9, "76,250000");
    // A record cut by a power loss and continued by the next session's record.
    std::string continued = open.substr(0, thirdStart + 120);
    continued += open.substr(thirdStart);
    // Records lost between whole ones leave a gap of seconds, no damage.
    const std::size_t secondStart = open.find("      <Measurement id=\"2\"");
    const std::string gap = open.substr(0, secondStart) + open.substr(thirdStart);
    // 200 000 record starts without an end before the whole records (read in linear time).
    std::string starts = std::string(CResultLog::HEADER);
    for (int i = 0; i < 200000; ++i) {
        starts += "<Measurement ";
    }
    starts += open.substr(CResultLog::HEADER.size());
    const std::vector<SFileCase> cases = {
        {"complete", whole, 3, true, true, 0, 0},
        {"no footer while logging runs", open, 3, true, false, 0, 0},
        {"cut in the last record", open.substr(0, thirdStart + 100), 2, true, false, 100, 0},
        {"cut in the footer", open + "</Ta", 3, true, false, 4, 0},
        {"cut after the record's tag", open.substr(0, open.size() - 3), 2, true, false,
         static_cast<std::int64_t>(open.size() - 3 - thirdStart), 0},
        {"a damaged value", damaged + std::string(CResultLog::FOOTER), 2, true, true, 0, 1},
        {"a cut record continued", continued, 3, true, false, 0, 1},
        {"footer with LF only", open + "</Tavik>\n", 3, true, true, 0, 0},
        {"a record missing", gap + std::string(CResultLog::FOOTER), 2, true, true, 0, 0},
        {"no header", open.substr(CResultLog::HEADER.size()), 3, false, false, 0, 0},
        {"empty", "", 0, false, false, 0, 0},
        {"many starts without an end", starts, 3, true, false, 0, 200000},
    };
    for (const SFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CResultFile file = ParseResultFile(c.text);
        EXPECT_EQ(file.records.size(), c.records);
        EXPECT_EQ(file.bHeader, c.header);
        EXPECT_EQ(file.bFooter, c.footer);
        EXPECT_EQ(file.nCutBytes, c.cutBytes);
        EXPECT_EQ(file.nDamaged, c.damaged);
        const std::string name = c.name;
        EXPECT_EQ(file.IsIncomplete(), name != "complete" && name != "footer with LF only" &&
                                           name != "a record missing");
    }
}

TEST(ResultFile, TakesValuesAsWrittenWithInfinitiesAndNaN) {
    const CResultFile file = ParseResultFile(ThreeRecords(true));
    ASSERT_EQ(file.records.size(), 3u);
    EXPECT_EQ(file.records[0].m_nTimestamp, 1781517600u);
    EXPECT_EQ(file.records[0].m_fDeviation, 61.5f);
    EXPECT_EQ(file.records[0].m_fMPXPower, -0.25f);
    EXPECT_EQ(file.records[1].m_fMPXPower, -INFINITY);
    EXPECT_EQ(file.records[1].m_fMultipath, 0.75f);
    EXPECT_TRUE(std::isnan(file.records[2].m_fMultipath));
    EXPECT_EQ(file.records[2].m_nTimestamp, 1781517602u);
}

// A record of this version: the second's peak after the three values; an earlier version's
// record lacks it, a later version may add elements that are passed over.
TEST(ResultFile, ReadsEachSecondsPeakAndSignalAndPassesOverOtherElements) {
    const std::string record =
        "      <Measurement id=\"7\">\r\n         <Date timestamp=\"1796549407\">Saturday, "
        "December 05, 2026, 11:30:07</Date>\r\n         <Deviation>75.580002</Deviation>\r\n   "
        "      <MPXPower>1.230000</MPXPower>\r\n         <Multipath>0.000000</Multipath>\r\n    "
        "     <DeviationPeak>76.120003</DeviationPeak>\r\n      </Measurement>";
    const auto edited = [&record](std::string_view from, std::string_view to) {
        std::string text = record;
        text.replace(text.find(from), from.size(), to);
        return std::string(CResultLog::HEADER) + text + std::string(CResultLog::FOOTER);
    };
    struct SCase {
        const char* name;
        std::string text;
        std::optional<float> peak;
        bool noSignal;
    };
    const SCase cases[] = {
        {"this version", edited("", ""), 76.120003f, false},
        {"an earlier version", edited("\r\n         <DeviationPeak>76.120003</DeviationPeak>", ""),
         std::nullopt, false},
        {"without signal", edited("\">", "\" signal=\"none\">"), 76.120003f, true},
        // One named like the peak among them.
        {"a later version's elements",
         edited("<Date",
                "<RFLevel unit=\"dBuV\">54.5</RFLevel><DeviationPeakHold>99.0"
                "</DeviationPeakHold><Note/>\r\n         <Date"),
         76.120003f, false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CResultFile file = ParseResultFile(c.text);
        ASSERT_EQ(file.records.size(), 1u);
        EXPECT_EQ(file.nDamaged, 0);
        EXPECT_FALSE(file.IsIncomplete());
        const CResultRecord& r = file.records[0];
        EXPECT_EQ(r.m_nTimestamp, 1796549407u);
        EXPECT_EQ(r.m_fDeviation, 75.580002f);
        EXPECT_EQ(r.m_fMPXPower, 1.23f);
        EXPECT_EQ(r.m_fDeviationPeak, c.peak);
        EXPECT_EQ(r.m_bNoSignal, c.noSignal);
    }
    // A peak that cannot be read makes its record damaged, as any other value does.
    const CResultFile damaged = ParseResultFile(edited("76.120003", "76,120003"));
    EXPECT_TRUE(damaged.records.empty());
    EXPECT_EQ(damaged.nDamaged, 1);
}

TEST(EventLog, CountsAlarmActivationsPerAlarmAndKeepsEveryLine) {
    const std::string text =
        "5.12.2026, 09:04:00: File Opened\r\n"
        "5.12.2026, 09:04:00: Measurement Started\r\n"
        "5.12.2026, 09:04:07: Alarm \"Dev\" caused an alarm because DEVIATION(76.500) > "
        "75.000kHz\r\n"
        "5.12.2026, 09:04:07: Evidence clip: evidence/20261205-090407-Dev.wav\r\n"
        "5.12.2026, 09:04:09: Alarm \"Dev\" was reset.\r\n"
        "5.12.2026, 09:04:09: Evidence clip: evidence/stray.wav\r\n"
        "garbage without a time\r\n"
        "5.12.2026, 09:05:00: Alarm \"Power \"high\"\" caused an alarm because MPXPOWER(0.500) > "
        "0.000dBr\r\n"
        "5.12.2026, 09:06:00: Alarm \"Multi\" was reset.\r\n"
        "5.12.2026, 10:00:01: Alarm \"Dev\" caused an alarm because DEVIATION(80.000) > "
        "75.000kHz\n"
        "6.12.2026, 00:00:00: File Clo";
    const CEventLog log = ParseEventLog(text);
    // The clip's line goes to its activation; one after any other line stays a line.
    ASSERT_EQ(log.lines.size(), 9u);
    EXPECT_EQ(log.nUnreadable, 1);
    EXPECT_TRUE(log.bCutLine);
    EXPECT_EQ(log.lines[0].strText, "File Opened");
    EXPECT_EQ(log.lines[2].kind, CLogLine::ALARM_ACTIVE);
    EXPECT_EQ(log.lines[2].nHour, 9);
    EXPECT_EQ(log.lines[2].nSecond, 7);
    EXPECT_EQ(log.lines[2].strClip, "evidence/20261205-090407-Dev.wav");
    EXPECT_EQ(log.lines[3].kind, CLogLine::ALARM_RESET);
    EXPECT_EQ(log.lines[3].strClip, "");
    EXPECT_EQ(log.lines[4].strText, "Evidence clip: evidence/stray.wav");
    EXPECT_EQ(log.lines[5].strClip, "");  // an activation without a clip
    EXPECT_EQ(log.lines[8].nDay, 6);
    EXPECT_EQ(log.lines[8].strText, "File Clo");
    const std::vector<std::pair<std::string, int>> expected = {
        {"Dev", 2}, {"Power \"high\"", 1}, {"Multi", 0}};
    EXPECT_EQ(log.activations, expected);
}

constexpr std::uint32_t kNoon = 1781517600;  // 2026-06-15 10:00:00 UTC, 12:00:00 in Berlin

CResultRecord Second(std::uint32_t offset, float deviation, float power, float multipath) {
    return Record(multipath, deviation, power, kNoon + offset);
}

CDayReport Summarised(std::vector<CResultRecord> records) {
    CDayReport report;
    report.options.strResultFile = "/logs/tavik260615.xml";
    report.file.records = std::move(records);
    report.file.bHeader = report.file.bFooter = true;
    SummariseRecords(report);
    return report;
}

// The values of the summary rows, and the counts and marks of the verdict.
void ExpectFigures(const CReportTexts& texts, const std::vector<std::string>& summary,
                   const std::vector<std::pair<std::string, EVerdictMark>>& verdict) {
    const std::vector<CReportRow> rows = texts.SummaryRows();
    ASSERT_EQ(rows.size(), summary.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].strValue, summary[i]) << rows[i].strLabel;
    }
    const std::vector<CVerdictRow> checks = texts.VerdictRows();
    ASSERT_EQ(checks.size(), verdict.size());
    for (std::size_t i = 0; i < checks.size(); ++i) {
        EXPECT_EQ(checks[i].strCount, verdict[i].first) << checks[i].strCheck;
        EXPECT_EQ(checks[i].mark, verdict[i].second) << checks[i].strCheck;
    }
}

TEST(DaySummaryTest, GapsRepeatsAndTheZerosBeforeTheFirstValues) {
    const CDayReport report = Summarised({
        // A run from 12:00:00: MPX power and multipath not yet measured in its first seconds.
        Second(0, 70.0f, 0.0f, 0.0f),
        Second(1, 75.0f, 0.0f, 0.4f),     // exactly 75 kHz: not above the limit
        Second(2, 75.001f, -1.0f, 0.0f),  // a zero multipath after a value is a value
        Second(3, 109.5f, 0.0f, 0.8f),    // and so is a zero MPX power
        Second(1, 99.0f, 5.0f, 9.0f),     // a second recorded twice: the first is kept
        // 4..9 missing, then a run in which the first MPX power is the day's highest.
        Second(10, 110.5f, 0.0f, 0.2f),
        Second(11, 40.0f, 0.75f, 0.6f),
        Second(12, NAN, 0.75f, NAN),
        // 13 missing, one second alone.
        Second(14, 20.0f, 0.0f, 0.0f),
    });
    // The rows below pin the figures; what they do not show is checked here.
    const CDaySummary& s = report.summary;
    EXPECT_EQ(report.day.nPlaceholderMpx, 4);  // seconds 0, 1, 10 and 14
    EXPECT_EQ(report.day.nPlaceholderMultipath, 2);
    ASSERT_EQ(s.gaps.size(), 2u);
    EXPECT_EQ(s.gaps[1].nFirstMissing, kNoon + 13);
    EXPECT_EQ(s.gaps[1].nCount, 1u);
    EXPECT_EQ(s.deviationClasses[70], 1);
    EXPECT_EQ(s.deviationClasses[75], 2);   // 75.0 and 75.001
    EXPECT_EQ(s.deviationClasses[109], 2);  // 109.5 and 110.5 in the open last class

    // The verdict counts against the setup's deviation limit; a count above 0 needs attention.
    CDayReport limited = report;
    limited.setup = CProtocolHeader();
    limited.setup->m_fDeviationLimit = 70.0f;
    const CReportTexts texts(limited);
    std::vector<std::string> names;
    for (const CReportRow& row : texts.SummaryRows()) {
        names.push_back(row.strLabel);
    }
    for (const CVerdictRow& row : texts.VerdictRows()) {
        names.push_back(row.strCheck);
    }
    EXPECT_EQ(
        names,
        (std::vector<std::string>{
            "Seconds measured", "Gaps (missing seconds)", "Maximum deviation",
            "Seconds above 75 kHz", "Highest 60 s MPX power", "Time above 0 dBr (BS.412)",
            "Multipath min / median / max", "Alarm activations",
            "60 s MPX power above 0 dBr (ITU-R BS.412)", "Deviation above the limit of 70.0 kHz",
            "Multipath above 2 %/kHz (ITU-R measurement conditions)", "Alarm activations"}));
    using enum EVerdictMark;
    ExpectFigures(texts,
                  {"8", "2 gaps, 7 s missing; the longest 6 s from 12:00:04",
                   "110.50 kHz at 12:00:10", "3 of 7 (42.86 %)",
                   // The first second of the maximum; MPX powers -1, 0 (after a value), 0.75.
                   "0.75 dBr at 12:00:11", "0.0 min (2 of 4 s with a 60 s value)",
                   "0.00 / 0.40 / 0.80 %/kHz",  // of 0.4, 0, 0.8, 0.2, 0.6
                   "no log given"},
                  // 70.0 itself is not above the limit.
                  {{"2 of 4 s", Attention},
                   {"4 of 7 s", Attention},
                   {"0 of 5 s", Pass},
                   {"no log given", NoData}});
    EXPECT_EQ(texts.Notes(),
              std::vector<std::string>{
                  "1 record repeats a second already recorded; the first record of that second "
                  "is used."});
}

TEST(DaySummaryTest, HeaderAndEmptyDay) {
    CDayReport report =
        Summarised({Second(0, 70.0f, -1.0f, 0.5f), Second(3599, 70.0f, -1.0f, 0.5f)});
    CProtocolHeader setup;
    setup.m_strings[CProtocolHeader::OPERATOR] = "J. Doe";
    setup.m_strings[CProtocolHeader::ORGANISATION] = "Regulator";
    setup.m_fFrequency = 98.5f;
    report.setup = setup;
    const std::vector<CReportRow> rows =
        CReportTexts(report).HeaderRows(CTime(static_cast<std::time_t>(kNoon + 86400)));
    auto value = [&rows](const std::string& label) {
        for (const CReportRow& row : rows) {
            if (row.strLabel == label) {
                return row.strValue;
            }
        }
        return std::string("(missing)");
    };
    EXPECT_EQ(value("Frequency"), "98.50 MHz");
    EXPECT_EQ(value("Operator"), "J. Doe");
    EXPECT_EQ(value("Organisation"), "Regulator");
    EXPECT_EQ(value("Location"), "-");
    EXPECT_EQ(value("Date"), "Monday, June 15, 2026");
    EXPECT_EQ(value("Covered"), "12:00:00 to 13:00:00 CEST (1 h 00 min 00 s)");
    EXPECT_EQ(value("Log file"), "not given");
    EXPECT_EQ(value("Report"), "made 2026-06-16 12:00:00 CEST with " + CReportTexts::Version());
    EXPECT_EQ(CReportTexts(Summarised({})).DateText(), "no records");
}

CResultRecord Unmeasured(std::uint32_t offset) {
    CResultRecord record = Second(offset, 80.0f, 1.0f, 3.0f);  // above every limit
    record.m_bNoSignal = true;
    return record;
}

// A figure without a measured second has no value and a check no verdict: the report of a day
// without records (made seconds after logging began) or without signal neither passes nor
// needs attention. Seconds without signal hold no measured values.
TEST(DaySummaryTest, WithoutMeasuredSecondsFiguresAndChecksHaveNoData) {
    using enum EVerdictMark;
    const std::string none = "no data";
    const std::pair<std::string, EVerdictMark> unmeasured{"no second measured", NoData};
    struct SCase {
        const char* name;
        std::vector<CResultRecord> records;
        std::vector<std::string> summary;
        std::vector<std::pair<std::string, EVerdictMark>> verdict;
        std::vector<std::string> notes;
    };
    const SCase cases[] = {
        {"no records",
         {},
         {"0 (no records)", "no records", none, none, none, none, none, "none"},
         {unmeasured, unmeasured, unmeasured, {"0", NoData}},
         {"The result file holds no records."}},
        {"no signal all day",
         {Unmeasured(0), Unmeasured(1), Unmeasured(2)},
         {"0 (3 s recorded without signal)", "none", none, none, none, none, none, "none"},
         {unmeasured, unmeasured, unmeasured, {"0", NoData}},
         {"Recorded without signal (no carrier or no receiver): 3 s. Their values were not "
          "measured and are left out."}},
        // The signal lost for a second: the zeros after it wait for the analysers' values again.
        {"the first seconds, the signal lost once",
         {Second(0, 70.0f, 0.0f, 0.5f), Unmeasured(1), Second(2, 71.0f, 0.0f, 0.0f),
          Second(3, 72.0f, 0.0f, 0.3f)},
         {"3 (1 s recorded without signal)", "none", "72.00 kHz at 12:00:03", "0 of 3 (0.00 %)",
          none, none, "0.30 / 0.40 / 0.50 %/kHz", "none"},
         {unmeasured, {"0 of 3 s", Pass}, {"0 of 2 s", Pass}, {"0", Pass}},
         {"Recorded without signal (no carrier or no receiver): 1 s. Their values were not "
          "measured and are left out."}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDayReport report = Summarised(c.records);
        report.log = CEventLog();  // a log without alarms
        const CReportTexts texts(report);
        ExpectFigures(texts, c.summary, c.verdict);
        EXPECT_EQ(texts.Notes(), c.notes);
    }
}

CResultRecord Peak(std::uint32_t offset, float deviation, float peak) {
    CResultRecord record = Second(offset, deviation, -1.0f, 0.5f);
    record.m_fDeviationPeak = peak;
    return record;
}

// Where a record holds its second's peak, the maximum, the seconds above the limits, the
// distribution and the chart take it, as the deviation alarms did; for an earlier version's
// record, which does not hold it, the second's last value is taken and the report says so.
TEST(DaySummaryTest, TheSecondsPeakMakesTheDeviationFigures) {
    using enum EVerdictMark;
    CDayReport report =
        Summarised({Peak(0, 70.0f, 76.0f), Peak(1, 60.0f, 90.0f), Peak(2, 80.0f, 80.0f),
                    Second(3, 72.0f, -1.0f, 0.5f)});  // an earlier version continued by this one
    report.setup = CProtocolHeader();
    report.setup->m_fDeviationLimit = 76.0f;
    const CReportTexts texts(report);
    ExpectFigures(
        texts,
        {"4", "none", "90.00 kHz at 12:00:01", "3 of 4 (75.00 %)", "-1.00 dBr at 12:00:00",
         "0.0 min (0 of 4 s with a 60 s value)", "0.50 / 0.50 / 0.50 %/kHz", "no log given"},
        {{"0 of 4 s", Pass},
         {"2 of 4 s", Attention},
         {"0 of 4 s", Pass},
         {"no log given", NoData}});
    const CDaySummary& s = report.summary;
    for (const int kHz : {76, 90, 80, 72}) {
        EXPECT_EQ(s.deviationClasses[static_cast<std::size_t>(kHz)], 1) << kHz;
    }
    const std::vector<CChartSegment> chart =
        MakeSegments(report.day.seconds, report_charts::DeviationLook().pValue,
                     MakeTimeAxis(s.nFirst, s.nLast), 4000, 0.0f, 110.0f);
    ASSERT_EQ(chart.size(), 1u);
    EXPECT_EQ(chart[0].y, (std::vector<float>{76.0f, 90.0f, 80.0f, 72.0f}));

    const std::string rest =
        " MPX power: the 60-second value. MPX power and multipath count from a measurement's "
        "first value; the zeros recorded before it are left out. Seconds without a record are "
        "gaps.";
    EXPECT_EQ(texts.SummaryFootnote(),
              "Deviation: the highest value of each second; for 1 s of the file, written by an "
              "earlier version that does not record each second's peak, the last value of the "
              "second: the deviation alarms of the log may have seen higher values there." +
                  rest);
    EXPECT_EQ(CReportTexts(Summarised({Peak(0, 70.0f, 76.0f)})).SummaryFootnote(),
              "Deviation: the highest value of each second." + rest);
    EXPECT_EQ(CReportTexts(Summarised({Second(0, 70.0f, -1.0f, 0.5f)})).SummaryFootnote(),
              "Deviation: the last value of each second. Files written by earlier versions do "
              "not record each second's peak: the deviation alarms of the log may have seen "
              "higher values." +
                  rest);
}

TEST(ReportTexts, NumbersAndDurations) {
    EXPECT_EQ(CReportTexts::FormatFixed(-0.001, 2), "0.00");
    EXPECT_EQ(CReportTexts::FormatFixed(2.675, 1), "2.7");
    EXPECT_EQ(CReportTexts::FormatFixed(-INFINITY, 2), "-INF");
    EXPECT_EQ(CReportTexts::FormatFixed(NAN, 2), "NaN");
    EXPECT_EQ(CReportTexts::FormatDuration(59), "59 s");
    EXPECT_EQ(CReportTexts::FormatDuration(150), "2 min 30 s");
    EXPECT_EQ(CReportTexts::FormatDuration(86400), "24 h 00 min 00 s");
}

constexpr std::uint32_t kMidnight = 1781474400;  // 2026-06-15 00:00:00 in Berlin

CResultRecord At(std::uint32_t offset, float deviation) {
    return Record(0.0f, deviation, 0.0f, kMidnight + offset);
}

TEST(ReportChartTest, AxisInMinutesOrHoursWithClockLabels) {
    struct SCase {
        std::uint32_t first, last;
        int unit;
        float from, to;
    };
    const SCase cases[] = {
        {36005, 36600, 60, 600.0f, 620.0f},         // 10:00:05..10:10:00 in minutes
        {36000, 36000 + 7199, 60, 600.0f, 720.0f},  // two hours: still minutes
        {36000, 36000 + 7200, 3600, 10.0f, 13.0f},
        {36000, 48599, 3600, 10.0f, 14.0f},  // to 13:29:59
        {36000, 64799, 3600, 10.0f, 18.0f},  // eight hours: ticks every hour
        {36000, 64800, 10800, 3.0f, 7.0f},   // longer: in three hours, 09:00 to 21:00
        {0, 86399, 10800, 0.0f, 8.0f},       // the whole day
    };
    for (const SCase& c : cases) {
        const CTimeAxis axis = MakeTimeAxis(kMidnight + c.first, kMidnight + c.last);
        EXPECT_EQ(axis.nMidnight, kMidnight);
        EXPECT_EQ(axis.nUnit, c.unit) << c.first << ".." << c.last;
        EXPECT_EQ(axis.fFrom, c.from) << c.first << ".." << c.last;
        EXPECT_EQ(axis.fTo, c.to) << c.first << ".." << c.last;
    }
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(750.0, 60), "12:30");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(12.02, 3600), "12:01:12");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(2.5, 3600), "02:30");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(24.0, 3600), "24:00");
    // Labels in the zone in force at each tick: 29 March 2026 in Berlin has 23 hours.
    const std::uint32_t spring = 1774738800;  // 2026-03-29 00:00 CET
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(1.0, 3600, spring), "01:00");
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(2.0, 3600, spring), "03:00");  // clocks go on
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(23.0, 3600, spring), "24:00");
}

TEST(ReportChartTest, ColumnsKeepLowAndHighInOrderAndGapsSplitSegments) {
    // One hour (in minutes) in 360 columns: 10 seconds a column.
    const CTimeAxis axis = MakeTimeAxis(kMidnight, kMidnight + 3599);
    std::vector<CResultRecord> seconds;
    for (std::uint32_t t = 0; t < 30; ++t) {
        seconds.push_back(At(t, 50.0f));
    }
    seconds[13].m_fDeviation = 101.0f;  // a single peak in column 1
    seconds[17].m_fDeviation = 20.0f;   // and after it the column's low
    seconds[25].m_fDeviation = NAN;     // no value: not a gap of its column
    seconds.push_back(At(55, 60.0f));   // alone in column 5 after empty columns 3 and 4
    seconds.push_back(At(70, INFINITY));
    const std::vector<CChartSegment> segments =
        MakeSegments(seconds, &CResultRecord::m_fDeviation, axis, 360, 0.0f, 110.0f);
    ASSERT_EQ(segments.size(), 3u);
    const auto minutes = [](double seconds) { return static_cast<float>(seconds / 60.0); };
    EXPECT_EQ(segments[0].x,
              (std::vector<float>{minutes(5), minutes(15), minutes(15), minutes(25)}));
    EXPECT_EQ(segments[0].y, (std::vector<float>{50.0f, 101.0f, 20.0f, 50.0f}));
    // A lone point becomes a level line across its column.
    EXPECT_EQ(segments[1].x, (std::vector<float>{minutes(50), minutes(60)}));
    EXPECT_EQ(segments[1].y, (std::vector<float>{60.0f, 60.0f}));
    EXPECT_EQ(segments[2].y, (std::vector<float>{110.0f, 110.0f}));  // infinity at the edge

    // The envelope of the same seconds: each column's low and high, in runs of neighbours.
    const std::vector<CEnvelopeRun> runs =
        MakeEnvelope(seconds, &CResultRecord::m_fDeviation, axis, 360, 0.0f, 110.0f);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].x, (std::vector<float>{minutes(5), minutes(15), minutes(25)}));
    EXPECT_EQ(runs[0].low, (std::vector<float>{50.0f, 20.0f, 50.0f}));
    EXPECT_EQ(runs[0].high, (std::vector<float>{50.0f, 101.0f, 50.0f}));
    EXPECT_EQ(runs[2].high, std::vector<float>{110.0f});

    // With a column or more per second every second is a point and every missing one a break.
    const std::vector<CChartSegment> fine =
        MakeSegments(seconds, &CResultRecord::m_fDeviation, axis, 4000, 0.0f, 110.0f);
    ASSERT_EQ(fine.size(), 4u);  // 0..24, 26..29, 55, 70
    EXPECT_EQ(fine[0].x.size(), 25u);
    EXPECT_EQ(fine[0].x[13], minutes(13.5));
    EXPECT_EQ(fine[1].x.size(), 4u);
}

// Renders the deviation chart of an hour whose middle 20 minutes have no records, at 70 kHz.
TEST(ReportChartTest, AGapIsShadedAndHasNoGraph) {
    CDayReport report;
    for (std::uint32_t t = 0; t < 3600; ++t) {
        if (t < 1200 || t >= 2400) {
            report.file.records.push_back(At(10 * 3600 + t, 70.0f));
        }
    }
    SummariseRecords(report);
    ASSERT_EQ(report.summary.gaps.size(), 1u);
    QImage image(900, 380, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    report_charts::DrawTimeChart(painter, image.rect(), report_charts::DeviationLook(), report);
    painter.end();

    // Count graph-blue pixels per column; the plot spans about 800 columns for the hour.
    auto blueRows = [&image](int x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > 120 && c.red() < 60 && c.green() < 100 ? 1 : 0;
        }
        return n;
    };
    const auto column = [&image](double fraction) {
        // The plot's right edge is 30 px in; its left edge about 62 px.
        return static_cast<int>(image.width() - 30 - (1.0 - fraction) * (image.width() - 93));
    };
    EXPECT_GT(blueRows(column(0.15)), 0);
    EXPECT_EQ(blueRows(column(0.5)), 0);  // in the gap: nothing drawn, not even at zero
    EXPECT_GT(blueRows(column(0.85)), 0);
    const QColor shade = image.pixelColor(column(0.5), image.height() / 2);
    EXPECT_LT(shade.red(), 250);  // the gap's grey band over the white plot
    EXPECT_EQ(shade.red(), shade.blue());
}

}  // namespace
}  // namespace tavik
