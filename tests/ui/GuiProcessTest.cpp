// The application as a process: no display, and an unattended start armed and logging that a
// stop signal ends the normal way (keeping the window's place) while an acknowledge question
// stays unanswered.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "document/SetupFile.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestSupport.h"

namespace tavik {
namespace {

using test::Shell;

TEST(GuiProcessTest, WithoutADisplayItSaysSoAndPointsToTheMonitor) {
    const auto run = Shell(std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") +
                           TAVIK_EXECUTABLE + " 2>&1");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("no display was found"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("`tavik monitor` measures without one"), std::string::npos);
}

TEST(GuiProcessTest, SigtermEndsAnArmedLoggingStartWithEveryRecordAndTheFooter) {
    test::CTempFolder work;
    CProtocolHeader header;
    CAlarmMap alarms;
    alarms.SetAt("Dev", std::make_unique<CAlarmItem>(
                            "Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 10.0f,
                            ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_YES));
    CArchive ar;
    StoreSetup(ar, header, alarms);
    work.Write("station.tvk", ar.GetBuffer());
    const std::string out = work.File("out");
    // Nobody answers the question the alarm asks; the ticks go on meanwhile.
    const auto run = Shell("cd '" + work.Path() + "' && XDG_CONFIG_HOME='" + work.Path() +
                           "' QT_QPA_PLATFORM=offscreen " + TAVIK_EXECUTABLE +
                           " --start station.tvk --enable-alarms --log-folder '" + out +
                           "' --recordings '" + test::Recording() +
                           "' >/dev/null 2>&1 & pid=$!; sleep 6; kill -TERM $pid; wait $pid; "
                           "echo $?");
    EXPECT_EQ(run.out, "0\n");
    std::string xml;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        if (entry.path().extension() == ".xml") {
            xml = entry.path().string();
        }
    }
    ASSERT_FALSE(xml.empty());
    EXPECT_TRUE(test::IsWellFormedXml(xml));
    const std::string text = test::ReadText(xml);
    // One record a second, each a second after the one before.
    std::vector<long> stamps;
    const std::regex stamp("timestamp=\"([0-9]+)\"");
    for (std::sregex_iterator it(text.begin(), text.end(), stamp), end; it != end; ++it) {
        stamps.push_back(std::stol((*it)[1]));
    }
    ASSERT_GE(stamps.size(), 3u) << text;
    for (std::size_t i = 1; i < stamps.size(); ++i) {
        EXPECT_EQ(stamps[i] - stamps[i - 1], 1) << i;
    }
    const std::string log = test::ReadText(xml.substr(0, xml.size() - 4) + ".log");
    EXPECT_NE(log.find("Alarm \"Dev\" caused an alarm"), std::string::npos) << log;
    EXPECT_NE(log.find("File Closed"), std::string::npos) << log;
    // The window's place is kept as a close keeps it.
    const std::string settings = test::ReadText(work.File("NORVANE/TAVIK.ini"));
    EXPECT_NE(settings.find("WindowPlace=@Rect("), std::string::npos) << settings;
}

}  // namespace
}  // namespace tavik
