// The window measuring several stations of one receiver: one document per station, their list
// in frequency order, the pages of the station chosen, a log folder per station, and the lists
// the window refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "alarms/AlarmItem.h"
#include "app/GuiOptions.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ThreeStations.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CommandIds.h"
#include "ui/DataView.h"
#include "ui/MainFrame.h"
#include "ui/MeasurementView.h"
#include "ui/SettingsView.h"
#include "ui/StationsView.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"

namespace tavik {
namespace {

// The capture of three stations, centred on 98.25 MHz.
std::string ThreeStations() {
    return test::CThreeStations::Get().Meta();
}

QString HeaderFrequency(const CMainFrame& frame) {
    return frame.GetMainView().findChild<QLabel*>(QStringLiteral("frequency"))->text();
}

int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

double Number(const QString& text) {
    return text.split(QLatin1Char(' ')).front().toDouble();
}

// Three stations of a capture, given out of order, started with a log folder and an alarm at
// 60 kHz that only 98.5 MHz reaches: each measures on its own, the list shows them in frequency
// order, and choosing one shows its pages.
TEST(StationsWindowTest, EachStationMeasuresLogsAndIsShownFromTheList) {
    test::CTempFolder folder;
    CTAVIKSDIDoc setup;
    setup.SetAlarm("DevHigh",
                   std::make_unique<CAlarmItem>(
                       "DevHigh", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER_EQUAL, 60.0f,
                       ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(setup.OnSaveDocument(folder.File("alarm.tvk")));
    SStartOptions options;
    options.strDocument = folder.File("alarm.tvk");
    options.iqSource = CIqSourceSettings{ThreeStations(), {}, {}, {}, {}};
    options.stations = {99.0, 98.1, 98.5};
    options.strLogFolder = folder.File("logs");
    options.bStart = true;
    options.bEnableAlarms = true;
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance(options));
    CMainFrame& frame = app.GetMainFrame();
    ASSERT_NE(frame.GetStations(), nullptr);
    CStationsView& stations = *frame.GetStations();
    CStationList& list = stations.GetList();
    ASSERT_EQ(stations.Count(), 3);

    const auto measured = [&] {
        const auto& rows = list.GetRows();
        return std::all_of(rows.begin(), rows.end(), [](const SStationRow& row) {
            return row.strPS == QLatin1String("TAVIK FM") &&
                   row.strDeviation != QLatin1String("--- kHz") &&
                   row.strPower != QLatin1String("--- dBr") &&
                   row.strState != QLatin1String("STOPPED");
        });
    };
    ASSERT_TRUE(QTest::qWaitFor(measured, 30000));
    QTest::qWait(2500);  // the alarm's second came too
    stations.Refresh();
    const std::vector<SStationRow> rows = list.GetRows();
    ASSERT_EQ(rows.size(), 3u);
    const std::regex deviation(R"(\d+\.\d kHz)");
    const std::regex power(R"(-?\d+\.\d dBr)");
    const struct {
        const char* strFrequency;
        const char* strState;
        double fMinPeak;  // kHz: 98.5 deviates up to 75 kHz, its neighbours to half of it
        double fMaxPeak;
    } expected[] = {{"98.100", "OK", 20.0, 40.0},
                    {"98.500", "ALARM", 60.0, 78.0},
                    {"99.000", "OK", 20.0, 40.0}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].strFrequency);
        EXPECT_EQ(rows[i].strFrequency, QLatin1String(expected[i].strFrequency));
        EXPECT_EQ(rows[i].strPS, QLatin1String("TAVIK FM"));
        EXPECT_EQ(rows[i].strState, QLatin1String(expected[i].strState));
        EXPECT_TRUE(std::regex_match(rows[i].strDeviation.toStdString(), deviation))
            << rows[i].strDeviation.toStdString();
        EXPECT_GE(Number(rows[i].strDeviation), expected[i].fMinPeak);
        EXPECT_LE(Number(rows[i].strDeviation), expected[i].fMaxPeak);
        EXPECT_TRUE(std::regex_match(rows[i].strPower.toStdString(), power))
            << rows[i].strPower.toStdString();
    }

    // The keys and a click choose the station whose pages are shown, on the page and view
    // shown before; the others go on.
    EXPECT_EQ(HeaderFrequency(frame), QLatin1String(" 98.100 MHz"));
    frame.GetDocument().UpdateAllViews(nullptr, HINT_SHOW_MEASUREMENT_VIEW + 2);  // Alt+3
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    list.setFocus();
    const struct {
        int nKey;      // 0: a click on the third row
        bool bWindow;  // the key with Ctrl to the window, else to the list
        int nShown;
        const char* strHeader;
    } steps[] = {{Qt::Key_Down, false, 1, " 98.500 MHz"},
                 {Qt::Key_Down, false, 2, " 99.000 MHz"},
                 {Qt::Key_Down, false, 2, " 99.000 MHz"},
                 {Qt::Key_Home, false, 0, " 98.100 MHz"},
                 {0, false, 2, " 99.000 MHz"},
                 {Qt::Key_Up, false, 1, " 98.500 MHz"},
                 {Qt::Key_PageUp, true, 0, " 98.100 MHz"},
                 {Qt::Key_PageUp, true, 0, " 98.100 MHz"},
                 {Qt::Key_PageDown, true, 1, " 98.500 MHz"}};
    for (const auto& step : steps) {
        if (step.bWindow) {
            QTest::keyClick(&frame, static_cast<Qt::Key>(step.nKey), Qt::ControlModifier);
        } else if (step.nKey != 0) {
            QTest::keyClick(&list, static_cast<Qt::Key>(step.nKey));
        } else {
            QTest::mouseClick(&list, Qt::LeftButton, {},
                              QPoint(10, 2 * list.RowHeight() + list.RowHeight() / 2));
        }
        SCOPED_TRACE(step.strHeader);
        EXPECT_EQ(stations.GetShown(), step.nShown);
        EXPECT_EQ(list.GetCurrent(), step.nShown);
        EXPECT_EQ(HeaderFrequency(frame), QLatin1String(step.strHeader));
        EXPECT_EQ(&frame.GetDocument(), &stations.GetDocument(step.nShown));
        EXPECT_EQ(&frame.GetMainView(), &stations.GetView(step.nShown));
        EXPECT_EQ(frame.GetMainView().GetCurrentPage(), ITEM_DATA);
        const auto* data = qobject_cast<CDataView*>(frame.GetMainView().GetItemView(ITEM_DATA));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetSelected(), PAGE_DEVIATION);
        EXPECT_TRUE(data->GetMeasurementView(PAGE_DEVIATION)->isVisible());
    }
    for (int i = 0; i < stations.Count(); ++i) {
        EXPECT_TRUE(stations.GetDocument(i).IsRunning()) << i;
        const auto* settings =
            qobject_cast<CSettingsView*>(stations.GetView(i).GetItemView(ITEM_SETTINGS));
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->GetStationMarks(), (std::vector<float>{98.1f, 98.5f, 99.0f}));
        // The shared receiver is neither retuned nor taken for a scan.
        for (const char* button : {"Set", "Scan"}) {
            EXPECT_FALSE(
                settings->findChild<QPushButton*>(QString::fromLatin1(button))->isEnabled())
                << button;
        }
    }

    // Stop acts on every station; each closed its day files in its own folder.
    frame.GetAction(ID_MEASUREMENT_STOP)->trigger();
    stations.Refresh();
    for (int i = 0; i < stations.Count(); ++i) {
        EXPECT_FALSE(stations.GetDocument(i).IsRunning()) << i;
        EXPECT_EQ(list.GetRows()[static_cast<std::size_t>(i)].strState, QLatin1String("STOPPED"));
    }
    for (const char* station : {"98.100", "98.500", "99.000"}) {
        SCOPED_TRACE(station);
        std::string xml;
        std::string log;
        for (const auto& entry :
             std::filesystem::directory_iterator(folder.File("logs/") + station)) {
            const std::string text = test::ReadText(entry.path().string());
            (entry.path().extension() == ".xml" ? xml : log) += text;
        }
        EXPECT_GE(CountOf(xml, "<Measurement id="), 3);
        EXPECT_NE(log.find("File Closed"), std::string::npos) << log;
        EXPECT_EQ(log.find("DevHigh") != std::string::npos, std::string(station) == "98.500")
            << log;
    }
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// Closing asks about every station whose setup changed, naming it; Cancel keeps the window, and
// each answer is the one station's.
TEST(StationsWindowTest, ClosingAsksToSaveEveryChangedStationByName) {
    test::CTempFolder folder;
    ASSERT_TRUE(CTAVIKSDIDoc().OnSaveDocument(folder.File("all.tvk")));
    SStartOptions options;
    options.strDocument = folder.File("all.tvk");
    options.iqSource = CIqSourceSettings{ThreeStations(), {}, {}, {}, {}};
    options.stations = {98.1, 98.5, 99.0};
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance(options));
    CMainFrame& frame = app.GetMainFrame();
    ASSERT_NE(frame.GetStations(), nullptr);
    CStationsView& stations = *frame.GetStations();
    stations.GetDocument(1).SetModifiedFlag();
    stations.GetDocument(2).SetModifiedFlag();
    std::filesystem::remove(folder.File("all.tvk"));

    // The boxes are answered in turn, and their texts kept.
    std::vector<QMessageBox::StandardButton> answers;
    std::vector<std::string> asked;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box != nullptr && box->isVisible() && !answers.empty()) {
                asked.push_back(box->text().toStdString());
                box->button(answers.front())->click();
                answers.erase(answers.begin());
            }
        }
    });
    answering.start(20);
    const std::string first = "Save changes to all.tvk (98.500 MHz)?";
    const std::string second = "Save changes to all.tvk (99.000 MHz)?";
    answers = {QMessageBox::Cancel};
    EXPECT_FALSE(frame.close());
    EXPECT_EQ(asked, std::vector<std::string>{first});
    asked.clear();
    answers = {QMessageBox::No, QMessageBox::Yes};
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(asked, (std::vector<std::string>{first, second}));
    EXPECT_TRUE(std::filesystem::exists(folder.File("all.tvk")));  // 99.0's answer saved it
    EXPECT_FALSE(stations.GetDocument(2).IsModified());
}

// A station's row: its values only while it measures with a signal; its state from the run,
// the signal and its alarms.
TEST(StationsWindowTest, ARowSaysTheStationsStateAndValues) {
    test::CWorkingDirectory cwd(test::Recording());
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    SStartOptions options;
    options.bStart = true;
    ASSERT_TRUE(app.InitInstance(options));
    QCoreApplication::processEvents();  // started once the window is up
    CTAVIKSDIDoc& doc = app.GetDocument();
    ASSERT_TRUE(doc.IsRunning());
    doc.SetAlarm("Dev", std::make_unique<CAlarmItem>(
                            "Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 60.0f,
                            ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
    CAlarmItem& alarm = *doc.GetAlarms().GetAt(0).item;
    const std::optional<float> none;
    const struct {
        bool bLost;
        bool bAlarm;
        std::optional<float> deviation;
        std::optional<float> power;
        const char* strDeviation;
        const char* strPower;
        const char* strState;
    } cases[] = {
        {false, false, 74.46f, -1.04f, "74.5 kHz", "-1.0 dBr", "OK"},
        {false, false, none, none, "--- kHz", "--- dBr", "OK"},
        {false, true, 61.0f, 0.5f, "61.0 kHz", "0.5 dBr", "ALARM"},
        {true, false, 74.5f, 3.0f, "--- kHz", "--- dBr", "NO SIGNAL"},
        {true, true, 74.5f, 3.0f, "--- kHz", "--- dBr", "NO SIGNAL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strState);
        doc.OnReceiverLost(c.bLost);
        alarm.m_bActive = c.bAlarm ? 1 : 0;
        const SStationRow row = CStationsView::FormatRow(doc, c.deviation, c.power);
        EXPECT_EQ(row.strFrequency, QLatin1String("106.700"));
        EXPECT_EQ(row.strDeviation, QLatin1String(c.strDeviation));
        EXPECT_EQ(row.strPower, QLatin1String(c.strPower));
        EXPECT_EQ(row.strState, QLatin1String(c.strState));
    }
    doc.OnReceiverLost(false);
    alarm.m_bActive = 0;
    doc.OnMeasurementStop();
    const SStationRow stopped = CStationsView::FormatRow(doc, 74.5f, 3.0f);
    EXPECT_EQ(stopped.strState, QLatin1String("STOPPED"));
    EXPECT_EQ(stopped.strDeviation, QLatin1String("--- kHz"));
}

// One station stays as it always was: no list, the frame's own view in the middle.
TEST(StationsWindowTest, OneStationHasNoList) {
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(app.GetMainFrame().GetStations(), nullptr);
    EXPECT_EQ(app.GetMainFrame().centralWidget(), &app.GetMainFrame().GetMainView());
    EXPECT_EQ(app.GetMainFrame().GetDocuments(), std::vector<CTAVIKSDIDoc*>{&app.GetDocument()});
}

TEST(StationsWindowTest, TheCommandLineTakesTheListOnce) {
    const auto line = ParseGuiCommandLine(
        {"--start", "--receiver", "rtltcp:host", "--stations", "98.1,98.5", "--log-folder", "out"});
    ASSERT_TRUE(line);
    EXPECT_EQ(line->strStations, "98.1,98.5");
    EXPECT_FALSE(ParseGuiCommandLine({"--stations", "98.1,98.5", "--stations", "99.0,99.5"}));
    EXPECT_FALSE(ParseGuiCommandLine({"--stations"}));
}

// Started from the command line, the stations log each into its folder, and a stop signal
// closes every station's files.
TEST(StationsWindowTest, AStopSignalClosesEveryStationsFiles) {
    test::CTempFolder work;
    const std::string out = work.File("out");
    const auto run =
        test::Shell("cd '" + work.Path() + "' && XDG_CONFIG_HOME='" + work.Path() +
                    "' QT_QPA_PLATFORM=offscreen " + TAVIK_EXECUTABLE + " --start --receiver iq:'" +
                    ThreeStations() + "' --stations 98.1,98.5,99.0 --log-folder '" + out +
                    "' >/dev/null 2>&1 & pid=$!; sleep 6; kill -TERM $pid; wait $pid; echo $?");
    EXPECT_EQ(run.out, "0\n");
    for (const char* station : {"98.100", "98.500", "99.000"}) {
        SCOPED_TRACE(station);
        std::string xml;
        std::string log;
        ASSERT_TRUE(std::filesystem::is_directory(out + "/" + station));
        for (const auto& entry : std::filesystem::directory_iterator(out + "/" + station)) {
            const std::string text = test::ReadText(entry.path().string());
            (entry.path().extension() == ".xml" ? xml : log) += text;
        }
        EXPECT_GE(CountOf(xml, "<Measurement id="), 2);
        EXPECT_NE(log.find("File Closed"), std::string::npos) << log;
    }
}

// A list the receiver cannot take is refused before the window opens, in the monitor's words.
TEST(StationsWindowTest, ABadListIsRefusedWithItsText) {
    test::CTempFolder work;
    const std::string capture = "--receiver iq:'" + ThreeStations() + "' ";
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {capture + "--stations 98.1", "tavik: --stations: give 2 to 8 frequencies\n"},
        {capture + "--stations 98.1,98.1", "tavik: --stations: 98.100 MHz is listed twice\n"},
        {capture + "--stations 98.1,98.13",
         "tavik: --stations: \"98.13\" is not on the 25 kHz grid\n"},
        {capture + "--stations 98.1,99.9",
         "tavik: 99.900 MHz lies outside the capture's band: it takes stations from 97.200 to "
         "99.300 MHz\n"},
        {"--stations 98.1,99.0",
         "tavik: --stations needs a receiver that delivers IQ (--receiver iq:FILE, "
         "rtltcp:HOST[:PORT] or soapy:ARGS)\n"},
        {capture + "--stations 98.1,99.0 --frequency 98.1",
         "tavik: --stations takes no --frequency: each station is its own\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run =
            test::Shell("XDG_CONFIG_HOME='" + work.Path() + "' QT_QPA_PLATFORM=offscreen " +
                        TAVIK_EXECUTABLE + " " + c.arguments + " 2>&1; echo \"exit $?\"");
        EXPECT_EQ(run.out, std::string(c.message) + "exit 2\n");
    }
}

}  // namespace
}  // namespace tavik
