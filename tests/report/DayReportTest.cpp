// The report of a generated recording analysed by `tavik analyse --out`, and the reports of a
// cut copy and of unreadable inputs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "document/ResultLog.h"
#include "document/SetupFile.h"
#include "report/DailyReport.h"
#include "report/ReportTexts.h"
#include "tests/document/LogFileCheck.h"
#include "tests/report/ReportRun.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMatch.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

using test::CShellRun;
using test::CTempFolder;
using test::Flat;
using test::Has;
using test::Matches;
using test::PdfText;
using test::Quoted;
using test::ReadText;
using test::Report;
using test::Shell;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A 100-second station whose tone, pilot and RDS reach 75.2 kHz together, so that most but not
// all recorded seconds pass 75 kHz, with a setup whose alarm goes off on them; analysed once
// per test program.
class CAnalysedDay {
public:
    static const CAnalysedDay& Get() {
        static const CAnalysedDay day;
        return day;
    }
    std::string Xml() const { return m_out.File("tavik260615.xml"); }
    std::string Log() const { return m_out.File("tavik260615.log"); }
    std::string Setup() const { return m_recording.File("station.tvk"); }

private:
    CAnalysedDay() {
        CGeneratorOptions options;
        options.strOutputFolder = m_recording.Path();
        options.fSeconds = 100.0;
        options.fToneFrequency = 997.0;
        options.fToneDeviation = 65.5;
        CStationGenerator(options).Run();

        CProtocolHeader header;
        header.m_strings[CProtocolHeader::OPERATOR] = "J. Doe";
        header.m_strings[CProtocolHeader::ORGANISATION] = "Broadcast Monitoring";
        header.m_strings[CProtocolHeader::LOCATION] = "Hill site";
        header.m_fFrequency = 98.5f;
        CAlarmMap alarms;
        alarms.SetAt("DevHigh", std::make_unique<CAlarmItem>(
                                    "DevHigh", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                    75.0f, ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(0, 0, 0, 0),
                                    ALARM_ACKNOWLEDGE_NO));
        CArchive ar;
        StoreSetup(ar, header, alarms);
        m_recording.Write("station.tvk", ar.GetBuffer());

        const CShellRun run =
            Shell(std::string(TAVIK_EXECUTABLE) + " analyse '" + m_recording.Path() + "' --out '" +
                  m_out.Path() + "' --setup '" + Setup() +
                  "' --enable-alarms --start 2026-06-15T10:00:00 2>/dev/null");
        EXPECT_EQ(run.exitCode, 0) << run.out;
    }

    CTempFolder m_recording;
    CTempFolder m_out;
};

class DayReportTest : public ::testing::Test {
protected:
    const CAnalysedDay& day = CAnalysedDay::Get();
    CTempFolder work;
};

// The analyser's own files read back with their log and setup; reading records and the
// figures themselves are pinned on hand-made records.
TEST_F(DayReportTest, ReportOfAnAnalysedDayMatchesItsFiles) {
    const CDayReport report = LoadDayReport({day.Xml(), day.Log(), day.Setup(), "", {}, ""});
    const CDaySummary& s = report.summary;
    EXPECT_FALSE(report.file.IsIncomplete());
    EXPECT_EQ(s.nSeconds, 100);
    EXPECT_EQ(s.nFirst, 1781517600u);  // --start
    ASSERT_TRUE(s.maxDeviation);
    // Each second's peak: the generated station passes 75 kHz in most or all of its seconds.
    EXPECT_GT(s.nAboveDeviationLimit, 50);
    EXPECT_LE(s.nAboveDeviationLimit, 100);
    EXPECT_GT(s.nMpxPowerSeconds, 30);  // 60-second values from second 60 on

    const auto activations = test::Count(ReadText(day.Log()), "Alarm \"DevHigh\" caused");
    EXPECT_GT(activations, 0u);
    ASSERT_EQ(report.log->activations.size(), 1u);
    EXPECT_EQ(static_cast<std::size_t>(report.log->activations[0].second), activations);
    ASSERT_TRUE(report.setup);
    EXPECT_EQ(report.setup->m_strings[CProtocolHeader::OPERATOR], "J. Doe");
    // The station as the log names it.
    const std::vector<CReportRow> header = CReportTexts(report).HeaderRows(CTime());
    const auto station = std::find_if(header.begin(), header.end(), [](const CReportRow& row) {
        return row.strLabel == "PI / PS";
    });
    ASSERT_NE(station, header.end());
    EXPECT_EQ(station->strValue, "PI D313, PS \"TAVIK FM\"");
    // The application's open setup wins over the file it names (it may not be saved).
    CReportOptions open{day.Xml(), "", day.Setup(), "", {}, ""};
    open.openSetup = CProtocolHeader();
    open.openSetup->m_strings[CProtocolHeader::OPERATOR] = "A. Open";
    EXPECT_EQ(LoadDayReport(open).setup->m_strings[CProtocolHeader::OPERATOR], "A. Open");

    // The whole report: header, summary and charts on two pages, the log's lines on the third.
    const CReportResult result = WriteDayReport(report, work.File("day.pdf"), CTime());
    EXPECT_EQ(result.nPages, 3);
    EXPECT_TRUE(result.notes.empty());
}

TEST_F(DayReportTest, ACutFileIsReportedUpToItsLastWholeRecordAndSaysSo) {
    const std::string xml = ReadText(day.Xml());
    const std::size_t last = xml.rfind("      <Measurement");
    WriteText(work.File("cut.xml"), xml.substr(0, last + 150));  // a power loss mid-record
    // Run as from cron, without a session: no word about XDG_RUNTIME_DIR either.
    const CShellRun run = Report(Quoted(work.File("cut.xml")));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_FALSE(Has(run.out, "XDG_RUNTIME_DIR"));
    EXPECT_TRUE(Has(run.out,
                    "report: The result file is cut short: 150 bytes after its last "
                    "whole record are not read. The report covers its 99 whole records."));
    // The PDF says it in its header and counts the whole records.
    const std::string text = PdfText(work.File("cut.pdf"));
    const std::string page1 = text.substr(0, text.find('\f'));
    EXPECT_TRUE(Has(page1, "The result file is cut short: 150 bytes"));
    EXPECT_TRUE(Matches(page1, "Seconds measured +99\n"));
    EXPECT_TRUE(Matches(page1, "Log file +not given"));
}

// The command: listed in the overview, its own help, and the day's log found beside the file.
TEST_F(DayReportTest, TheReportCommandTakesTheLogBesideTheResultFile) {
    EXPECT_TRUE(Has(Shell(std::string(TAVIK_EXECUTABLE) + " --help").out, "  report "));
    const CShellRun help = Shell(std::string(TAVIK_EXECUTABLE) + " help report");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Has(help.out, "Usage: tavik report [OPTIONS] RESULT.xml"));
    const CShellRun run = Report(Quoted(day.Xml()) + " --out " + Quoted(work.File("day.pdf")));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_TRUE(Matches(PdfText(work.File("day.pdf")), "Log file +" + day.Log()));
}

// A record laid out as the writer lays it out: with the second's peak as this version writes
// it, without as earlier versions did.
std::string Record(int id, std::uint32_t time, float deviation, std::optional<float> peak,
                   bool noSignal = false) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "      <Measurement id=\"%d\"%s>\r\n         <Date timestamp=\"%u\">%s</Date>\r\n"
                  "         <Deviation>%f</Deviation>\r\n         <MPXPower>%f</MPXPower>\r\n"
                  "         <Multipath>%f</Multipath>",
                  id, noSignal ? " signal=\"none\"" : "", time,
                  CTime(static_cast<std::time_t>(time)).Format("%A, %B %d, %Y, %H:%M:%S").c_str(),
                  static_cast<double>(deviation), -1.0, 0.5);
    std::string record = text;
    if (peak) {
        std::snprintf(text, sizeof text, "\r\n         <DeviationPeak>%f</DeviationPeak>",
                      static_cast<double>(*peak));
        record += text;
    }
    return record + "\r\n      </Measurement>";
}

// Day files of this version, of an earlier one, of both, without records and without signal,
// through the command: the maximum and the seconds above the limit are the peaks the alarm
// saw, or the note below the summary says they are not; nothing measured passes nothing.
TEST_F(DayReportTest, EachSecondsPeakAndDaysWithoutMeasuredSecondsThroughTheCommand) {
    constexpr std::uint32_t kNoon = 1781517600;  // 2026-06-15 12:00:00 in Berlin
    const float last[] = {70.0f, 72.0f, 74.0f, 71.0f, 73.0f};
    const float peak[] = {74.0f, 76.12f, 75.5f, 73.0f, 74.0f};
    // `fromPeaks`: the first record with its peak; 5: none; `noSignal`: every second without.
    const auto day = [&](int fromPeaks, bool noSignal) {
        std::string xml(CResultLog::HEADER);
        for (int i = 0; i < 5; ++i) {
            xml += Record(i + 1, kNoon + static_cast<std::uint32_t>(i), last[i],
                          i >= fromPeaks ? std::optional<float>(peak[i]) : std::nullopt, noSignal);
        }
        return xml + std::string(CResultLog::FOOTER);
    };
    const std::string withPeaks =
        "Deviation above the limit of 75.0 kHz (no setup given) 2 of 5 s attention";
    const std::string noData =
        "Deviation above the limit of 75.0 kHz (no setup given) no "
        "second measured no data";
    struct SCase {
        const char* name;
        std::string xml;
        std::vector<std::string> shown;
        bool measured = true;
    };
    const SCase cases[] = {
        {"this version",
         day(0, false),
         {"Maximum deviation 76.12 kHz at 12:00:01", "Seconds above 75 kHz 2 of 5 (40.00 %)",
          withPeaks, "Deviation: the highest value of each second. MPX power"}},
        {"an earlier version",
         day(5, false),
         {"Maximum deviation 74.00 kHz at 12:00:02", "Seconds above 75 kHz 0 of 5 (0.00 %)",
          "Deviation: the last value of each second. Files written by earlier versions do not "
          "record each second's peak"}},
        {"an earlier version's file continued",
         day(2, false),
         {"Maximum deviation 75.50 kHz at 12:00:02", "Seconds above 75 kHz 1 of 5 (20.00 %)",
          "Deviation: the highest value of each second; for 2 s of the file, written by an "
          "earlier version"}},
        // A report made seconds after logging began in a new folder: the header only.
        {"no records yet",
         std::string(CResultLog::HEADER),
         {"Seconds measured 0 (no records)", "The result file holds no records.", noData,
          "Maximum deviation no data", "Alarm activations 0 no data",
          "No charts: the result file holds no records."},
         false},
        {"no signal",
         day(0, true),
         {"Seconds measured 0 (5 s recorded without signal)", noData,
          "Seconds above 75 kHz no data",
          "Recorded without signal (no carrier or no receiver): 5 s."},
         false},
    };
    WriteText(work.File("day.log"),
              "15.6.2026, 12:00:00: File Opened\r\n15.6.2026, 12:00:00: Measurement Started\r\n");
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(work.File("day.xml"), c.xml);
        const CShellRun run = Report(Quoted(work.File("day.xml")));
        ASSERT_EQ(run.exitCode, 0) << run.out;
        const std::string text = PdfText(work.File("day.pdf"));
        const std::string page1 = Flat(text.substr(0, text.find('\f')));
        for (const std::string& shown : c.shown) {
            EXPECT_TRUE(Has(Flat(text), shown));
        }
        if (c.measured) {
            EXPECT_TRUE(Matches(page1, "\\bpass\\b"));
        } else {  // no check passes, no figure looks measured
            EXPECT_FALSE(Matches(page1, "\\bpass\\b"));
            EXPECT_FALSE(Has(page1, "0.00"));
        }
    }
}

TEST_F(DayReportTest, UnreadableInputsFailWithTheirNames) {
    const CShellRun missing = Report(Quoted(work.File("none.xml")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing.out, "Could not read the result file \"" + work.File("none.xml") +
                                     "\" (No such file or directory)"));
    // A setup or a log given as the result file is refused by name.
    for (const std::string& other : {day.Setup(), day.Log()}) {
        const CShellRun wrong = Report(Quoted(other) + " --out " + Quoted(work.File("wrong.pdf")));
        EXPECT_EQ(wrong.exitCode, 1) << wrong.out;
        EXPECT_TRUE(Has(wrong.out, "\"" + other + "\" is not a result file"));
    }
    WriteText(work.File("bad.tvk"), "not a setup");
    const CShellRun setup = Report(Quoted(day.Xml()) + " --setup " + Quoted(work.File("bad.tvk")) +
                                   " --out " + Quoted(work.File("wrong.pdf")));
    EXPECT_EQ(setup.exitCode, 1);
    EXPECT_TRUE(Has(setup.out, "Could not read the setup file"));
    EXPECT_FALSE(std::filesystem::exists(work.File("wrong.pdf")));
    // A report named like its own result file would overwrite the day's measurement.
    const std::string xml = ReadText(day.Xml());
    const CShellRun over = Report(Quoted(day.Xml()) + " --out " + Quoted(day.Xml()));
    EXPECT_EQ(over.exitCode, 1);
    EXPECT_TRUE(Has(over.out, "would replace its input"));
    EXPECT_EQ(ReadText(day.Xml()), xml);
    // A FIFO or a symbolic link at the output is refused and stays as it is (a replacing
    // rename would destroy it, an open would wait on the FIFO).
    ASSERT_EQ(::mkfifo(work.File("fifo.pdf").c_str(), 0644), 0);
    std::filesystem::create_symlink(work.File("elsewhere.pdf"), work.File("link.pdf"));
    for (const std::string& out : {work.File("fifo.pdf"), work.File("link.pdf")}) {
        const CShellRun refused = Report(Quoted(day.Xml()) + " --out " + Quoted(out));
        EXPECT_EQ(refused.exitCode, 1) << out;
        EXPECT_TRUE(Has(refused.out, "Could not write the report \"" + out + "\" ("));
    }
    EXPECT_TRUE(std::filesystem::is_fifo(work.File("fifo.pdf")));
    EXPECT_TRUE(std::filesystem::is_symlink(work.File("link.pdf")));
    EXPECT_FALSE(std::filesystem::exists(work.File("elsewhere.pdf")));
    EXPECT_EQ(Report("").exitCode, 2);
}

}  // namespace
}  // namespace tavik
