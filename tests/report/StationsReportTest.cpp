// The report of a log folder with station folders: the summary's rows, the day chosen, the
// stations' own reports after it, and the folders it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "report/StationFolders.h"
#include "tests/report/ReportRun.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::CShellRun;
using test::CTempFolder;
using test::Flat;
using test::Has;
using test::Matches;
using test::PdfText;
using test::Quoted;
using test::Report;

constexpr std::uint32_t kNoon = 1781517600;  // 2026-06-15 12:00:00 in Berlin

struct SSecond {
    float fPeak, fMpxPower, fMultipath;
};

// A station's day files as the writer lays them out: five seconds from `start` on, and the log
// when it has lines.
void WriteDay(const std::string& folder, const std::string& day, std::uint32_t start,
              const std::vector<SSecond>& seconds, const std::vector<std::string>& logLines) {
    std::filesystem::create_directories(folder);
    std::string xml(CResultLog::HEADER);
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        CResultRecord record;
        record.m_nTimestamp = start + static_cast<std::uint32_t>(i);
        record.m_fDeviation = seconds[i].fPeak - 3.0f;
        record.m_fDeviationPeak = seconds[i].fPeak;
        record.m_fMPXPower = seconds[i].fMpxPower;
        record.m_fMultipath = seconds[i].fMultipath;
        CResultLog::AppendRecord(xml, static_cast<std::int32_t>(i + 1), record);
        xml += "\r\n";
    }
    std::ofstream(folder + "/tavik" + day + ".xml", std::ios::binary) << xml << CResultLog::FOOTER;
    if (!logLines.empty()) {
        std::ofstream log(folder + "/tavik" + day + ".log", std::ios::binary);
        for (const std::string& line : logLines) {
            log << CResultLog::FormatLogLine(CTime(static_cast<std::time_t>(start)), line);
        }
    }
}

// Three stations made out of frequency order, and names that are no station folders.
class StationsReportTest : public ::testing::Test {
protected:
    StationsReportTest() {
        WriteDay(Station("99.000"), "260614", kNoon - 86400, Quiet(), {});
        WriteDay(Station("98.500"), "260615", kNoon, Quiet(), {"RDS: PI D3A2, PS \"OTHER\""});
        WriteDay(Station("98.100"), "260615", kNoon,
                 {{74.0f, -1.5f, 0.5f},
                  {76.12f, -0.8f, 0.9f},
                  {75.5f, 0.4f, 0.6f},
                  {73.0f, -1.0f, 0.5f},
                  {74.0f, -2.0f, 0.5f}},
                 {"RDS: PI D313, PS \"TAVIK FM\"",
                  "Alarm \"DevHigh\" caused an alarm because Deviation(76.120) > 75.000 kHz",
                  "Alarm \"DevHigh\" was reset."});
        for (const char* other : {"98.1", "120.000", "notes"}) {
            WriteDay(Station(other), "260615", kNoon, Quiet(), {});
        }
    }
    std::string Station(const std::string& name) const { return log.File(name); }
    static std::vector<SSecond> Quiet() { return std::vector<SSecond>(5, {70.0f, -1.0f, 0.5f}); }

    CTempFolder log;
};

// A row as text: cells with their marks (+ pass, ! attention, ? no data), " | " between.
std::string RowText(const CStationRow& row) {
    const auto marked = [](const std::string& text, std::optional<EVerdictMark> mark) {
        return !mark                              ? text
               : *mark == EVerdictMark::Pass      ? text + "+"
               : *mark == EVerdictMark::Attention ? text + "!"
                                                  : text + "?";
    };
    std::string text = row.strFrequency;
    for (const CSummaryCell& cell : row.cells) {
        text += " | " + marked(cell.strText, cell.mark);
    }
    return text + (row.strMessage.empty() ? "" : " | " + row.strMessage) + " | " +
           marked(row.strVerdict, row.verdict);
}

TEST_F(StationsReportTest, SummaryRowsInFrequencyOrderForEachDay) {
    const CLogFolder folder = ReadLogFolder(log.Path());
    EXPECT_TRUE(folder.days.empty());
    EXPECT_EQ(LatestStationDay(folder), "260615");
    struct SCase {
        const char* day;
        std::vector<std::string> rows;
    };
    const SCase cases[] = {
        {"260615",
         {"98.100 | PI D313, PS \"TAVIK FM\" | 5 s | 76.12 kHz | 2 s! | 0.40 dBr | 1 s! | "
          "0.90 %/kHz | 0 s+ | 1! | fail!",
          "98.500 | PI D3A2, PS \"OTHER\" | 5 s | 70.00 kHz | 0 s+ | -1.00 dBr | 0 s+ | "
          "0.50 %/kHz | 0 s+ | 0+ | pass+",
          "99.000 | No result file of this day. | no data?"}},
        // Without its log the alarm check has no data, and so has the station's verdict.
        {"260614",
         {"98.100 | No result file of this day. | no data?",
          "98.500 | No result file of this day. | no data?",
          "99.000 | no log | 5 s | 70.00 kHz | 0 s+ | -1.00 dBr | 0 s+ | 0.50 %/kHz | 0 s+ | "
          "no log? | no data?"}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.day);
        std::vector<std::string> rows;
        for (const CStationDay& station : LoadStationDays(folder, c.day, {})) {
            rows.push_back(RowText(StationSummaryRow(station)));
        }
        EXPECT_EQ(rows, c.rows);
    }
    EXPECT_EQ(DayText("260615"), "Monday, June 15, 2026");
}

// The command: the summary page, then the stations' reports with their frequency at the head.
TEST_F(StationsReportTest, OnePdfOfAllStationsThroughTheCommand) {
    const CShellRun run = Report(Quoted(log.Path() + "/"));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::string pdf = log.File("tavik260615-stations.pdf");
    EXPECT_TRUE(Has(run.out, "Report: " + pdf + " (")) << run.out;
    const std::string text = PdfText(pdf);
    const std::string summary = Flat(text.substr(0, text.find('\f')));
    EXPECT_TRUE(Has(summary, "Daily report of all stations Monday, June 15, 2026"));
    EXPECT_TRUE(Has(summary, "Stations 3, 2 with result files of the day"));
    EXPECT_TRUE(Matches(summary,
                        "98\\.100 PI D313.* fail .*98\\.500 PI D3A2.* pass .*99\\.000 No "
                        "result file of this day\\. no data"));
    const std::size_t first = text.find("98.100 MHz, daily measurement report, Monday");
    const std::size_t second = text.find("98.500 MHz, daily measurement report, Monday");
    EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second);
    EXPECT_FALSE(Has(text, "99.000 MHz, daily"));
    EXPECT_TRUE(Matches(text.substr(first), "Frequency +98\\.100 MHz\n"));

    // A station folder by itself is reported as its day's result file is.
    const std::string station = Station("98.100");
    ASSERT_EQ(Report(Quoted(station)).exitCode, 0);
    ASSERT_EQ(
        Report(Quoted(station + "/tavik260615.xml") + " --out " + Quoted(log.File("file.pdf")))
            .exitCode,
        0);
    const auto unstamped = [](const std::string& made) {
        return std::regex_replace(made, std::regex("made [^\n]*"), "made");
    };
    EXPECT_EQ(unstamped(PdfText(station + "/tavik260615.pdf")),
              unstamped(PdfText(log.File("file.pdf"))));
    EXPECT_FALSE(Has(PdfText(log.File("file.pdf")), "MHz, daily measurement report"));
}

TEST_F(StationsReportTest, FoldersAndDaysThatCannotBeReported) {
    CTempFolder empty;
    std::filesystem::create_directory(empty.File("notes"));
    struct SCase {
        std::string args;
        std::string said;
    };
    const SCase cases[] = {
        {Quoted(empty.Path()), "report: \"" + empty.Path() +
                                   "\" holds neither result files (tavikYYMMDD.xml) nor station "
                                   "folders (named by their frequency, such as 98.100)\n"},
        {Quoted(log.Path()) + " --day 260613", "report: No station folder of \"" + log.Path() +
                                                   "\" holds the result file tavik260613.xml\n"},
        {Quoted(Station("99.000")) + " --day 260615",
         "report: \"" + Station("99.000") + "\" holds no result file tavik260615.xml\n"},
        {Quoted(Station("98.100") + "/tavik260615.xml") + " --day 260615",
         "report: --day chooses among the result files of a folder; \"" + Station("98.100") +
             "/tavik260615.xml\" is not a folder\n"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.args);
        const CShellRun run = Report(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, c.said);
    }
    EXPECT_EQ(Report(Quoted(log.Path()) + " --day 261301").exitCode, 2);

    // A station whose file cannot be read: its row says why, the others are reported, exit 1.
    std::filesystem::create_directory(Station("98.700"));
    std::ofstream(Station("98.700") + "/tavik260615.xml") << "not a result file";
    const CShellRun run = Report(Quoted(log.Path()));
    EXPECT_EQ(run.exitCode, 1);
    const std::string why = "\"" + Station("98.700") +
                            "/tavik260615.xml\" is not a result file: it neither begins with the "
                            "result file header nor holds a measurement record";
    EXPECT_TRUE(Has(run.out, "report: 98.700 MHz: " + why + "\n"));
    const std::string text = PdfText(log.File("tavik260615-stations.pdf"));
    const std::string summary = Flat(text.substr(0, text.find('\f')));
    EXPECT_TRUE(Has(summary, " pass 98.700 " + why.substr(0, why.find(':'))));
    EXPECT_TRUE(Has(summary, " not read "));
    EXPECT_TRUE(Has(text, "98.500 MHz, daily measurement report"));
}

}  // namespace
}  // namespace tavik
