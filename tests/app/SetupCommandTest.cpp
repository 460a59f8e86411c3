#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/SetupCommand.h"
#include "app/SetupJson.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::CTempFolder;
using test::Has;
using test::ReadText;

// The worked example of the README: deviation above 75 kHz and MPX power above 0 dBr.
const char* const kExample = R"({
  "header": {"operator": "J. Smith", "location": "Mast 3 \"north\"", "antenna_a_type": "Omni"},
  "receiver": {"frequency_mhz": 98.2, "antenna": "B"},
  "analysis": {"window_function": "Blackman", "deviation_limit_khz": 75.5, "filter": true},
  "alarms": [
    {"name": "Overmod", "source": "DEVIATION", "relation": ">", "threshold": 75,
     "delay_s": 0, "action": "SET ALARM 1", "acknowledge": "NO"},
    {"name": "Loud", "source": "MPX-POWER", "relation": ">", "threshold": 0.1,
     "delay_s": 90, "action": "LOG ONLY", "acknowledge": "YES"}
  ]
})";

std::string Json(const std::string& text, CTempFolder& folder) {
    std::ofstream(folder.File("setup.json")) << text;
    return folder.File("setup.json");
}

TEST(SetupCommand, WriteShowWriteGivesTheSameBytes) {
    CTempFolder folder;
    std::ostringstream err;
    ASSERT_EQ(CSetupCommand::Write(folder.File("a.tvk"), Json(kExample, folder), err), 0)
        << err.str();
    // What the application reads from it.
    CTAVIKSDIDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(folder.File("a.tvk")));
    const CProtocolHeader& header = doc.GetProtocolHeaderRef();
    EXPECT_EQ(header.m_strings[CProtocolHeader::LOCATION], "Mast 3 \"north\"");
    EXPECT_EQ(header.m_fFrequency, 98.2f);
    EXPECT_EQ(header.m_nAntenna, 0);
    EXPECT_EQ(header.m_nWindowFunction, 2u);
    EXPECT_EQ(header.m_bFilter, 1);
    ASSERT_EQ(doc.GetAlarms().GetCount(), 2u);
    const CAlarmItem& loud = *doc.GetAlarms().GetAt(1).item;
    EXPECT_EQ(loud.m_nSource, ALARM_SOURCE_MPX_POWER);
    EXPECT_EQ(loud.m_fThreshold, 0.1f);
    EXPECT_EQ(loud.m_spanDelay.GetTotalSeconds(), 90);
    EXPECT_EQ(loud.m_bEnabled, 0);  // loaded alarms start disabled

    std::ostringstream shown;
    ASSERT_EQ(CSetupCommand::Show(folder.File("a.tvk"), shown, err), 0) << err.str();
    EXPECT_TRUE(Has(shown.str(), "\"frequency_mhz\": 98.2,"));
    EXPECT_TRUE(Has(shown.str(), "\"threshold\": 0.1,"));
    EXPECT_TRUE(Has(shown.str(), "\"source\": \"MPX_POWER\","));
    ASSERT_EQ(CSetupCommand::Write(folder.File("b.tvk"), Json(shown.str(), folder), err), 0)
        << err.str();
    EXPECT_EQ(folder.Read("a.tvk"), folder.Read("b.tvk"));

    // A file the application saved comes back byte for byte too.
    CTAVIKSDIDoc saved;
    saved.SetAlarm("Mp",
                   std::make_unique<CAlarmItem>(
                       "Mp", ALARM_SOURCE_MULTIPATH, ALARM_RELATION_GREATER_EQUAL, 1.7f,
                       ALARM_ACTION_OUTPUT_2, COleDateTimeSpan(0, 0, 1, 5), ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(saved.OnSaveDocument(folder.File("c.tvk")));
    std::ostringstream again;
    ASSERT_EQ(CSetupCommand::Show(folder.File("c.tvk"), again, err), 0);
    ASSERT_EQ(CSetupCommand::Write(folder.File("d.tvk"), Json(again.str(), folder), err), 0);
    EXPECT_EQ(folder.Read("c.tvk"), folder.Read("d.tvk"));

    // A file that cannot be read is named.
    std::ostringstream missing;
    EXPECT_EQ(CSetupCommand::Show(folder.File("none.tvk"), again, missing), 1);
    EXPECT_EQ(missing.str(), "setup: \"" + folder.File("none.tvk") +
                                 "\": The file could not be read: No such file or directory\n");
}

// "-" reads the JSON from standard input, whole, and ends: "{}" is the new document's setup.
TEST(SetupCommand, StandardInputIsReadWhole) {
    CTempFolder folder;
    const test::CShellRun run =
        test::Shell("echo '{}' | timeout 10 " + std::string(TAVIK_EXECUTABLE) + " setup write '" +
                    folder.File("stdin.tvk") + "' - 2>&1");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    CTAVIKSDIDoc fresh;
    ASSERT_TRUE(fresh.OnNewDocument());
    ASSERT_TRUE(fresh.OnSaveDocument(folder.File("new.tvk")));
    EXPECT_EQ(folder.Read("stdin.tvk"), folder.Read("new.tvk"));
}

TEST(SetupCommand, RefusesWithTheFieldAndTheFormsText) {
    const std::string alarm = R"("source": "DEVIATION", "relation": ">", "threshold": 75)";
    const struct {
        std::string json;
        const char* message;
    } cases[] = {
        {R"({"alarms": [{"name": "", )" + alarm + "}]}", "alarms[0].name: Please enter a name."},
        {R"({"alarms": [{"name": "A", "source": "DEVIATION", "relation": ">", "threshold": -1}]})",
         "alarms[0].threshold: Please enter a threshold greater than\nor equal to zero."},
        {R"({"alarms": [{"name": "A", "delay_s": -1, )" + alarm + "}]}",
         "alarms[0].delay_s: Please enter a delay greater than\nor equal to zero."},
        {R"({"alarms": [{"name": "A", )" + alarm + R"(}, {"name": "a", )" + alarm + "}]}",
         "alarms[1].name: \"a\" is already the name of alarms[0] (names are compared ignoring "
         "case)"},
        {R"({"alarms": [{"name": "A", "source": "DEVIATION", "relation": ">", "threshold": 1e39}]})",
         "alarms[0].threshold: Please enter a threshold greater than\nor equal to zero."},
        {R"({"alarms": [{"name": "A\nB", )" + alarm + "}]}",
         "alarms[0].name: must not hold control characters (a line break, a tab)"},
        {R"({"alarms": [{"name": "A", "delay_s": 9223372036854775808, )" + alarm + "}]}",
         "alarms[0].delay_s: 9223372036854775808 is longer than 2147483647 s"},
        {R"({"alarms": [{"name": "123456789012345678901", )" + alarm + "}]}",
         "alarms[0].name: \"123456789012345678901\" is longer than 20 characters"},
        {R"({"alarms": [{"name": "A", "source": "LEVEL", "relation": ">", "threshold": 1}]})",
         "alarms[0].source: \"LEVEL\" is not \"MPX_POWER\", \"DEVIATION\" or \"MULTIPATH\""},
        {R"({"alarms": [{"name": "A", "relation": "!=", "source": "DEVIATION", "threshold": 1}]})",
         "alarms[0].relation: \"!=\" is not \"<\", \"<=\", \"=\", \">\" or \">=\""},
        {R"({"alarms": [{"name": "A", "action": "BEEP", )" + alarm + "}]}",
         "alarms[0].action: \"BEEP\" is not \"SET ALARM 1\", \"SET ALARM 2\" or \"LOG ONLY\""},
        {R"({"alarms": [{"name": "A", "unit": "dBr", )" + alarm + "}]}",
         "alarms[0].unit: the unit of DEVIATION is \"kHz\""},
        {R"({"alarms": [{"name": "A", "delay_s": 1.5, )" + alarm + "}]}",
         "alarms[0].delay_s: must be a whole number of seconds"},
        {R"({"alarms": [{"name": "A", "relation": ">"}]})", "alarms[0].source: is missing"},
        {R"({"alarms": [{"name": "A", "treshold": 1, )" + alarm + "}]}",
         "alarms[0].treshold: is not a setup field"},
        {R"({"receiver": {"frequency_mhz": 110}})",
         "receiver.frequency_mhz: 110 is outside 87.5 to 108 MHz"},
        {R"({"receiver": {"frequency_mhz": 87.51}})",
         "receiver.frequency_mhz: 87.51 is not on the 25 kHz grid (nearest: 87.5)"},
        {R"({"receiver": {"antenna": 1}})", "receiver.antenna: must be a text"},
        {R"({"analysis": {"deviation_limit_khz": 110.5}})",
         "analysis.deviation_limit_khz: 110.5 is outside 0 to 110 kHz"},
        {R"({"analysis": {"window_function": "Hann"}})",
         "analysis.window_function: \"Hann\" is not \"None\", \"Bartlett\" or \"Blackman\""},
        {R"({"analysis": {"filter": 1}})", "analysis.filter: must be true or false"},
        {R"({"header": {"operator": 7}})", "header.operator: must be a text"},
        {R"({"alarm": []})", "alarm: is not a setup field"},
    };
    for (const auto& c : cases) {
        CProtocolHeader header;
        CAlarmMap alarms;
        std::string message = "accepted";
        try {
            CSetupJson::FromJson(CJson::parse(c.json), header, alarms);
        } catch (const CSetupError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.json;
    }

    // The command names the file; a refused setup leaves an existing file alone.
    CTempFolder folder;
    std::ofstream(folder.File("keep.tvk")) << "old";
    std::ostringstream err;
    EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"),
                                   Json(R"({"receiver": {"frequency_mhz": 80}})", folder), err),
              1);
    EXPECT_EQ(err.str(), "setup: " + folder.File("setup.json") +
                             ": receiver.frequency_mhz: 80 is outside 87.5 to 108 MHz\n");
    EXPECT_EQ(ReadText(folder.File("keep.tvk")), "old");
    // Only a regular file is replaced: a FIFO or a symbolic link at the path stays as it is.
    ASSERT_EQ(::mkfifo(folder.File("fifo.tvk").c_str(), 0644), 0);
    std::filesystem::create_symlink(folder.File("target.tvk"), folder.File("link.tvk"));
    for (const char* name : {"fifo.tvk", "link.tvk"}) {
        std::ostringstream refused;
        EXPECT_EQ(CSetupCommand::Write(folder.File(name), Json(kExample, folder), refused), 1);
        EXPECT_TRUE(Has(refused.str(), "The file could not be saved: "));
    }
    EXPECT_TRUE(std::filesystem::is_fifo(folder.File("fifo.tvk")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.tvk")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("target.tvk")));
    // Numbers beyond the double range, too many keys and deep nesting are the command's own
    // clear error, found while reading.
    std::string manyKeys = "{";
    for (int i = 0; i < 80000; ++i) {
        manyKeys += (i == 0 ? "\"k" : ",\"k") + std::to_string(i) + "\":0";
    }
    manyKeys += "}";
    for (const auto& [text, reason] : std::initializer_list<std::pair<std::string, const char*>>{
             {R"({"alarms": [{"name": "A", "threshold": 1e400}]})", "number overflow"},
             {manyKeys, "an object of more than 64 members"},
             {std::string(100, '[') + std::string(100, ']'), "nested deeper than 16 levels"}}) {
        std::ostringstream refused;
        EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"), Json(text, folder), refused), 1);
        EXPECT_TRUE(Has(refused.str(), ": not JSON: "));
        EXPECT_TRUE(Has(refused.str(), reason));
    }
    EXPECT_EQ(ReadText(folder.File("keep.tvk")), "old");
    std::ostringstream notJson;
    EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"), Json("{", folder), notJson), 1);
    EXPECT_TRUE(Has(notJson.str(), ": not JSON: "));
}

}  // namespace
}  // namespace tavik
