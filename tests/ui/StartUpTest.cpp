// Start-up of the application: the command lines that open the window, the receiver detected
// once the window is up, a document given on the command line, and measuring from the toolbar
// and unattended on the generated recordings.
#include <gtest/gtest.h>

#include <filesystem>

#include <functional>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/GuiOptions.h"
#include "device/PlaybackCalibration.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "tools/StationGenerator.h"
#include "ui/DataView.h"
#include "ui/DeviationView.h"
#include "ui/HeaderView.h"
#include "ui/MainFrame.h"
#include "ui/RecentFileList.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"

namespace tavik {
namespace {

SStartOptions Opening(const std::string& document) {
    SStartOptions options;
    options.strDocument = document;
    return options;
}

SStartOptions Starting() {
    SStartOptions options;
    options.bStart = true;
    return options;
}

TEST(GuiCommandLineTest, OnlyTheWindowsCommandLinesOpenIt) {
    using Args = std::vector<std::string>;
    const struct {
        Args args;
        bool bGui;
        const char* strDocument;
        bool bStart;
        bool bAlarms;
        const char* strLogFolder;
        const char* strRecordings;
    } cases[] = {
        {{}, true, "", false, false, "", ""},
        {{"station.tvk"}, true, "station.tvk", false, false, "", ""},
        {{"--start"}, true, "", true, false, "", ""},
        {{"--start", "/srv/a b.tvk"}, true, "/srv/a b.tvk", true, false, "", ""},
        {{"--start", "--log-folder", "/var/log/t", "--enable-alarms", "s.tvk", "--recordings",
          "/rec"},
         true,
         "s.tvk",
         true,
         true,
         "/var/log/t",
         "/rec"},
        {{"s.tvk", "--log-folder", "out"}, true, "s.tvk", false, false, "out", ""},
        {{"station.tvk", "--start"}, false, "", false, false, "", ""},
        {{"--start", "--start"}, false, "", false, false, "", ""},
        {{"--enable-alarms", "--enable-alarms"}, false, "", false, false, "", ""},
        {{"--log-folder"}, false, "", false, false, "", ""},
        {{"--log-folder", "a", "--log-folder", "b"}, false, "", false, false, "", ""},
        {{"--recordings", ""}, false, "", false, false, "", ""},
        {{"monitor"}, false, "", false, false, "", ""},
        {{"station.txt"}, false, "", false, false, "", ""},
        {{"-x.tvk"}, false, "", false, false, "", ""},
        {{".tvk"}, false, "", false, false, "", ""},
        {{"--version"}, false, "", false, false, "", ""},
        {{"a.tvk", "b.tvk"}, false, "", false, false, "", ""},
        {{"--receiver", "rtl:0"}, false, "", false, false, "", ""},
        {{"--frequency", "120"}, false, "", false, false, "", ""},
        {{"--frequency", "98.2x"}, false, "", false, false, "", ""},
    };
    const auto live =
        ParseGuiCommandLine({"--start", "--receiver", "rtltcp:site:1234", "--frequency", "98.2",
                             "--gain", "20.7", "--full-scale", "-50", "--ppm", "-100"});
    ASSERT_TRUE(live.has_value());
    EXPECT_EQ(live->strReceiver, "rtltcp:site:1234");
    EXPECT_EQ(live->frequency, 98.2);
    EXPECT_EQ(live->receiver.gain, 20.7);
    EXPECT_EQ(live->receiver.fullScale, -50.0);
    EXPECT_EQ(live->receiver.ppm, -100.0);
    const auto evidence = ParseGuiCommandLine({"--evidence", "0", "--evidence-max-mb", "1000000"});
    ASSERT_TRUE(evidence.has_value());
    EXPECT_EQ(evidence->evidenceSeconds, 0);
    EXPECT_EQ(evidence->evidenceMaxMb, 1000000);
    EXPECT_EQ(ParseGuiCommandLine({"--evidence", "120"})->evidenceSeconds, 120);
    EXPECT_FALSE(ParseGuiCommandLine({"--evidence", "10"})->evidenceMaxMb.has_value());
    const auto secured = ParseGuiCommandLine({"--metrics-auth", "users.yml", "--metrics",
                                              "0.0.0.0:9101", "--metrics-tls", "c.pem,k.pem"});
    ASSERT_TRUE(secured.has_value());
    EXPECT_EQ(secured->strMetrics, "0.0.0.0:9101");
    EXPECT_EQ(secured->strMetricsTls, "c.pem,k.pem");
    EXPECT_EQ(secured->strMetricsAuth, "users.yml");
    for (const Args& bad :
         {Args{"--gain", "100.5"}, Args{"--full-scale", "250.1"}, Args{"--ppm", "1e3"},
          Args{"--ppm", "x"}, Args{"--ppm"}, Args{"--ppm", "1", "--ppm", "2"},
          Args{"--evidence", "121"}, Args{"--evidence", "-1"}, Args{"--evidence", "2.5"},
          Args{"--evidence"}, Args{"--evidence", "5", "--evidence", "6"},
          Args{"--evidence-max-mb", "0"}, Args{"--evidence-max-mb", "1000001"},
          Args{"--metrics-tls"}, Args{"--metrics-auth", "a", "--metrics-auth", "b"}}) {
        EXPECT_FALSE(ParseGuiCommandLine(bad).has_value()) << testing::PrintToString(bad);
    }
    for (const auto& c : cases) {
        const auto line = ParseGuiCommandLine(c.args);
        ASSERT_EQ(line.has_value(), c.bGui) << testing::PrintToString(c.args);
        if (line) {
            EXPECT_EQ(line->strDocument, c.strDocument);
            EXPECT_EQ(line->bStart, c.bStart);
            EXPECT_EQ(line->bEnableAlarms, c.bAlarms);
            EXPECT_EQ(line->strLogFolder, c.strLogFolder);
            EXPECT_EQ(line->strRecordings, c.strRecordings);
        }
    }
}

TEST(StartUpTest, DetectsTheReceiverAndLoadsItsCalibrationOnceTheWindowIsUp) {
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    CMainFrame& frame = app.GetMainFrame();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.GetHardwarePane().text(), QStringLiteral("HARDWARE NOT DETECTED"));
    EXPECT_FALSE(frame.GetAction(ID_MEASUREMENT_START)->isEnabled());
    EXPECT_EQ(app.GetDocument().GetMultipath().GetCalibrators(), (std::array<float, 4>{}));

    QCoreApplication::processEvents();
    EXPECT_EQ(frame.GetHardwarePane().text(), QStringLiteral("HARDWARE DETECTED"));
    EXPECT_TRUE(frame.GetAction(ID_MEASUREMENT_START)->isEnabled());
    EXPECT_EQ(app.GetDocument().GetMultipath().GetCalibrators(), PlaybackCalibrationValues());
    EXPECT_EQ(frame.GetMainView().GetCurrentPage(), 0);
    EXPECT_TRUE(prompt.m_boxes.empty());
}

TEST(StartUpTest, OpensTheDocumentGivenOnTheCommandLine) {
    test::CTempFolder folder;
    const std::string path = folder.File("station.tvk");
    {
        CTAVIKSDIDoc doc;
        doc.SetTunerFrequency(98.4f);
        ASSERT_TRUE(doc.OnSaveDocument(path));
    }
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance(Opening(path)));
    EXPECT_EQ(app.GetDocument().GetProtocolHeaderRef().m_fFrequency, 98.4f);
    EXPECT_EQ(app.GetDocument().GetPathName(), path);
    EXPECT_EQ(CRecentFileList().Files().value(0), QString::fromStdString(path));

    CTAVIKSDIApp missing(&prompt);
    EXPECT_FALSE(missing.InitInstance(Opening(folder.File("none.tvk"))));
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].text.rfind("The file could not be read: ", 0), 0u);
}

TEST(LiveTest, StartOnTheToolbarMeasuresAndStopEndsIt) {
    test::CWorkingDirectory cwd(test::Recording());
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    CMainFrame& frame = app.GetMainFrame();
    CTAVIKSDIDoc& doc = app.GetDocument();
    auto* data = static_cast<CDataView*>(frame.GetMainView().GetItemView(ITEM_DATA));
    auto* deviation = static_cast<CDeviationView*>(data->GetMeasurementView(PAGE_DEVIATION));

    frame.GetAction(ID_MEASUREMENT_START)->trigger();
    ASSERT_TRUE(doc.IsRunning());
    EXPECT_TRUE(frame.GetAction(ID_MEASUREMENT_STOP)->isEnabled());
    // The multipath result of the second tick brings the conditions line.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !data->GetConditions().empty(); }, 8000));
    EXPECT_TRUE(deviation->GetMaximumField().text().endsWith(QStringLiteral("kHz")));
    EXPECT_TRUE(doc.GetCurrentValues().m_fDeviation.has_value());
    EXPECT_GE(doc.GetElapsed().GetTotalSeconds(), 2);

    frame.GetAction(ID_MEASUREMENT_STOP)->trigger();
    EXPECT_FALSE(doc.IsRunning());
    EXPECT_TRUE(frame.GetAction(ID_MEASUREMENT_START)->isEnabled());
    EXPECT_TRUE(deviation->GetMaximumField().text().isEmpty());  // emptied by the stop
    EXPECT_TRUE(prompt.m_boxes.empty());
}

TEST(LiveTest, UnattendedStartMeasuresAndLogsIntoTheRememberedFolder) {
    test::CWorkingDirectory cwd(test::Recording());
    test::CTempFolder results;
    RememberResultFolder(QString::fromStdString(results.Path()));
    results.Write("keep.xml", {'x'});  // an unattended start deletes nothing
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance(Starting()));
    QCoreApplication::processEvents();
    CTAVIKSDIDoc& doc = app.GetDocument();

    EXPECT_TRUE(doc.IsRunning());
    EXPECT_TRUE(doc.IsLoggingEnabled());
    EXPECT_TRUE(std::filesystem::exists(doc.ResultFileName()));
    EXPECT_EQ(results.Read("keep.xml"), std::vector<std::uint8_t>{'x'});
    RememberResultFolder(QString());
    doc.OnMeasurementStop();
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// Measuring opens on the measurement pages at the view shown last (the signal quality the
// first time); a plain start stays on the protocol page and offers Start by name.
TEST(LiveTest, MeasuringOpensOnTheMeasurementPagesAtTheViewShownLast) {
    test::CWorkingDirectory cwd(test::Recording());
    const struct {
        int nAltBefore;  // Alt+N pressed in the session before; 0 none
        bool bStart;     // --start
        bool bClickStart;
        int nPage;
        int nView;
    } cases[] = {
        {0, false, false, ITEM_PROTOCOL, PAGE_QUALITY}, {0, true, false, ITEM_DATA, PAGE_QUALITY},
        {0, false, true, ITEM_DATA, PAGE_QUALITY},      {4, true, false, ITEM_DATA, PAGE_POWER},
        {6, false, true, ITEM_DATA, PAGE_RDS},
    };
    for (const auto& c : cases) {
        QSettings().remove(QStringLiteral("Settings/MeasurementView"));
        CRecordingPrompt prompt;
        if (c.nAltBefore > 0) {
            CTAVIKSDIApp before(&prompt);
            ASSERT_TRUE(before.InitInstance({}));
            before.GetDocument().UpdateAllViews(nullptr,
                                                HINT_SHOW_MEASUREMENT_VIEW + c.nAltBefore - 1);
        }
        CTAVIKSDIApp app(&prompt);
        ASSERT_TRUE(app.InitInstance(c.bStart ? Starting() : SStartOptions{}));
        QCoreApplication::processEvents();
        CMainFrame& frame = app.GetMainFrame();
        QAction* start = frame.GetAction(ID_MEASUREMENT_START);
        const auto* button = qobject_cast<QToolButton*>(
            frame.findChild<QToolBar*>(QStringLiteral("toolbar"))->widgetForAction(start));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        EXPECT_EQ(button->text(), QStringLiteral("Start"));
        if (c.bClickStart) {
            start->trigger();
        }
        const auto* data = static_cast<CDataView*>(frame.GetMainView().GetItemView(ITEM_DATA));
        EXPECT_EQ(app.GetDocument().IsRunning(), c.bStart || c.bClickStart);
        EXPECT_EQ(frame.GetMainView().GetCurrentPage(), c.nPage) << c.nAltBefore << c.bStart;
        EXPECT_EQ(data->GetSelected(), c.nView) << c.nAltBefore << c.bStart;
        app.GetDocument().OnMeasurementStop();
        EXPECT_TRUE(prompt.m_boxes.empty());
    }
    QSettings().remove(QStringLiteral("Settings/MeasurementView"));
}

// Start, Pause and Stop have a place each: a double click on Start starts and does not pause.
TEST(LiveTest, ADoubleClickOnStartStartsWithoutPausing) {
    test::CWorkingDirectory cwd(test::Recording());
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    CMainFrame& frame = app.GetMainFrame();
    auto* bar = frame.findChild<QToolBar*>(QStringLiteral("toolbar"));
    QWidget* start = bar->widgetForAction(frame.GetAction(ID_MEASUREMENT_START));
    QTest::qWait(50);  // the toolbar lays itself out
    const QPoint at = start->geometry().center();
    ASSERT_EQ(bar->childAt(at), start);
    for (int click = 0; click < 2; ++click) {
        QWidget* under = bar->childAt(at);
        ASSERT_NE(under, nullptr);
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(bar, at));
        QTest::qWait(50);  // the toolbar lays itself out again between the clicks
    }
    EXPECT_TRUE(app.GetDocument().IsRunning());
    EXPECT_FALSE(app.GetDocument().IsPaused());
    app.GetDocument().OnMeasurementStop();
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// Across a pause the header keeps the run's start and its measured time and says what the
// measurement does; whether results are logged shows in the header and in the status bar.
TEST(LiveTest, HeaderKeepsTheRunsStartAndMeasuredTimeAcrossAPause) {
    test::CWorkingDirectory cwd(test::Recording());
    test::CTempFolder results;
    CManualClock clock(CTime(2026, 12, 7, 12, 0, 0));
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    CMainFrame& frame = app.GetMainFrame();
    CTAVIKSDIDoc& doc = app.GetDocument();
    doc.SetClock(&clock);
    const auto tick = [&] {
        clock.Advance(CTimeSpan(1));
        doc.OnMainTimerEvent();
    };
    const auto* header = frame.findChild<CHeaderView*>();
    ASSERT_NE(header, nullptr);
    const auto text = [header](const char* field) {
        const auto* label = header->findChild<QLabel*>(QString::fromLatin1(field));
        return label != nullptr ? label->text().toStdString() : std::string("(no field)");
    };
    const char* const started = "December 07, 2026   12:00:00";
    const struct {
        std::function<void()> act;
        const char* strState;
        const char* strStarted;
        const char* strDuration;  // null: not checked
        const char* strLogging;
    } steps[] = {
        {[] {}, "STOPPED", "???", nullptr, "not logging"},
        {[&] { doc.OpenLogFilesKeeping(results.Path()); }, "STOPPED", "???", nullptr, "LOGGING"},
        {[&] { frame.GetAction(ID_MEASUREMENT_START)->trigger(); }, "RUNNING", started,
         "0 Day(s); 00:00:00", "LOGGING"},
        {[&] { tick(), tick(), tick(); }, "RUNNING", started, "0 Day(s); 00:00:03", "LOGGING"},
        {[&] { frame.GetAction(ID_MEASUREMENT_PAUSE)->trigger(); }, "PAUSED", started,
         "0 Day(s); 00:00:03", "LOGGING"},
        {[&] {
             clock.Advance(CTimeSpan(600));
             frame.GetAction(ID_MEASUREMENT_START)->trigger();
         },
         "RUNNING", started, "0 Day(s); 00:00:03", "LOGGING"},
        {tick, "RUNNING", started, "0 Day(s); 00:00:04", "LOGGING"},
        // Logging stays switched on across a stop until it is switched off.
        {[&] { frame.GetAction(ID_MEASUREMENT_STOP)->trigger(); }, "STOPPED", "", "", "LOGGING"},
        {[&] { doc.CloseLogFiles(); }, "STOPPED", "", "", "not logging"},
    };
    int step = 0;
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(text("state"), s.strState) << step;
        EXPECT_EQ(text("started"), s.strStarted) << step;
        if (s.strDuration != nullptr) {
            EXPECT_EQ(text("duration"), s.strDuration) << step;
        }
        EXPECT_EQ(text("logging"), s.strLogging) << step;
        EXPECT_EQ(frame.GetLoggingPane().text().toStdString(), s.strLogging) << step;
        ++step;
    }
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// A receiver remembered from the last session that is gone never stands in for the recordings
// of the working directory; where there are none, the failed start names the cause first.
TEST(LiveTest, ARememberedReceiverThatIsGoneLeavesTheRecordingsAlone) {
    test::CTempFolder empty;
    const std::string gone = empty.File("gone.sigmf-meta");
    RememberReceiver(QString::fromStdString("iq:" + gone));
    {
        test::CWorkingDirectory cwd(test::Recording());
        CRecordingPrompt prompt;
        CTAVIKSDIApp app(&prompt);
        ASSERT_TRUE(app.InitInstance(Starting()));
        QCoreApplication::processEvents();
        EXPECT_TRUE(app.GetDocument().IsRunning());
        EXPECT_FALSE(app.GetDocument().GetDevice().UsesIq());
        EXPECT_TRUE(prompt.m_boxes.empty());
        app.GetDocument().OnMeasurementStop();
    }
    {
        test::CWorkingDirectory cwd(empty.Path());
        CRecordingPrompt prompt;
        CTAVIKSDIApp app(&prompt);
        ASSERT_TRUE(app.InitInstance(Starting()));
        QCoreApplication::processEvents();
        EXPECT_FALSE(app.GetDocument().IsRunning());
        ASSERT_EQ(prompt.m_boxes.size(), 1u);
        EXPECT_EQ(prompt.m_boxes[0].text.rfind("cannot read the SigMF metadata \"" + gone +
                                                   "\": No such file or directory\n\nError ID:",
                                               0),
                  0u)
            << prompt.m_boxes[0].text;
    }
    RememberReceiver(QString());
}

// File > Receiver... with an IQ capture tunes to the station its metadata names.
TEST(StartUpTest, AnIqCaptureChosenInTheWindowTunesToItsStation) {
    test::CTempFolder folder;
    CGeneratorOptions generate;
    generate.strOutputFolder = folder.Path();
    generate.fSeconds = 0.5;
    generate.strIqDatatype = "cu8";
    generate.fFrequency = 98.2;
    CStationGenerator(generate).Run();
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    EXPECT_EQ(app.GetDocument().GetProtocolHeaderRef().m_fFrequency, 106.7f);
    EXPECT_TRUE(app.GetMainFrame().UseReceiver(
        QString::fromStdString("iq:" + folder.File("station.sigmf-meta"))));
    EXPECT_EQ(app.GetDocument().GetProtocolHeaderRef().m_fFrequency, 98.2f);
    EXPECT_TRUE(app.GetDocument().GetDevice().UsesIq());
    EXPECT_FALSE(app.GetMainFrame().UseReceiver(QStringLiteral("rtl:0")));
    EXPECT_EQ(prompt.m_boxes.size(), 1u);  // the text that names no receiver
    RememberReceiver(QString());
}

}  // namespace
}  // namespace tavik
