// Reading result files and logs back: whole records only, the damage noted, values as written.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "report/EventLog.h"
#include "report/ResultFile.h"

namespace tavik {
namespace {

// Three records (multipath, deviation, MPX power, time) in the writer's own layout; `footer` closes
// the file.
std::string ThreeRecords(bool footer) {
    std::string text(CResultLog::HEADER);
    CResultLog::AppendRecord(text, 1, {0.5f, 61.5f, -0.25f, 1781517600});
    CResultLog::AppendRecord(text, 2, {0.75f, 76.25f, -INFINITY, 1781517601});
    CResultLog::AppendRecord(text, 3, {NAN, 60.0f, 1.5f, 1781517602});
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

TEST(EventLog, CountsAlarmActivationsPerAlarmAndKeepsEveryLine) {
    const std::string text =
        "5.12.2026, 09:04:00: File Opened\r\n"
        "5.12.2026, 09:04:00: Measurement Started\r\n"
        "5.12.2026, 09:04:07: Alarm \"Dev\" caused an alarm because DEVIATION(76.500) > "
        "75.000kHz\r\n"
        "5.12.2026, 09:04:09: Alarm \"Dev\" was reset.\r\n"
        "garbage without a time\r\n"
        "5.12.2026, 09:05:00: Alarm \"Power \"high\"\" caused an alarm because MPXPOWER(0.500) > "
        "0.000dBr\r\n"
        "5.12.2026, 09:06:00: Alarm \"Multi\" was reset.\r\n"
        "5.12.2026, 10:00:01: Alarm \"Dev\" caused an alarm because DEVIATION(80.000) > "
        "75.000kHz\n"
        "6.12.2026, 00:00:00: File Clo";
    const CEventLog log = ParseEventLog(text);
    ASSERT_EQ(log.lines.size(), 8u);
    EXPECT_EQ(log.nUnreadable, 1);
    EXPECT_TRUE(log.bCutLine);
    EXPECT_EQ(log.lines[0].strText, "File Opened");
    EXPECT_EQ(log.lines[2].kind, CLogLine::ALARM_ACTIVE);
    EXPECT_EQ(log.lines[2].nHour, 9);
    EXPECT_EQ(log.lines[2].nSecond, 7);
    EXPECT_EQ(log.lines[3].kind, CLogLine::ALARM_RESET);
    EXPECT_EQ(log.lines[7].nDay, 6);
    EXPECT_EQ(log.lines[7].strText, "File Clo");
    const std::vector<std::pair<std::string, int>> expected = {
        {"Dev", 2}, {"Power \"high\"", 1}, {"Multi", 0}};
    EXPECT_EQ(log.activations, expected);
}

}  // namespace
}  // namespace tavik
