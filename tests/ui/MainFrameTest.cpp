// The main frame and main view: toolbar states by hint, the close question, accelerators,
// navigation and the main timer.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "document/TAVIKSDIDoc.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CommandIds.h"
#include "ui/DataView.h"
#include "ui/GuiPrompt.h"
#include "ui/ItemPages.h"
#include "ui/MainFrame.h"
#include "ui/MeasurementPages.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"
#include "ui/UserGuide.h"
#include "ui/XTMenuView.h"
#include "ui/XTOutlookBar.h"

namespace tavik {
namespace {

class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest() : m_app(&m_prompt) {
        EXPECT_TRUE(m_app.InitInstance({}));
        QCoreApplication::processEvents();  // the start-up detection
        Doc().AddView(&m_hints);
    }
    ~MainFrameTest() override { Doc().RemoveView(&m_hints); }

    CTAVIKSDIDoc& Doc() { return m_app.GetDocument(); }
    CMainFrame& Frame() { return m_app.GetMainFrame(); }
    CTAVIKSDIView& View() { return Frame().GetMainView(); }
    // 4 enabled, 0 shown but not enabled, 8 hidden, as the toolbar table writes them.
    int State(int id) {
        const QAction* action = Frame().GetAction(id);
        return (action->isVisible() ? 0 : 8) | (action->isEnabled() ? 4 : 0);
    }

    CRecordingPrompt m_prompt;
    CTAVIKSDIApp m_app;
    test::CHintRecorder m_hints;
};

TEST_F(MainFrameTest, StateHintsSetTheToolbarAndTheHardwarePane) {
    const struct {
        long nHint;
        int nStart, nStop, nPause, nDetect;
        const char* strPane;
    } cases[] = {
        {3, 0, 0, 0, 4, "HARDWARE NOT DETECTED"}, {2, 4, 0, 0, 0, "HARDWARE DETECTED"},
        {70, 0, 4, 4, 0, "HARDWARE DETECTED"},    {72, 4, 4, 0, 0, "HARDWARE DETECTED"},
        {73, 0, 0, 0, 0, "HARDWARE DETECTED"},    {71, 4, 0, 0, 0, "HARDWARE DETECTED"},
        {3, 0, 0, 0, 4, "HARDWARE NOT DETECTED"}, {74, 4, 0, 0, 0, "HARDWARE DETECTED"},
    };
    for (const auto& c : cases) {
        Doc().UpdateAllViews(nullptr, c.nHint);
        EXPECT_EQ(State(ID_MEASUREMENT_START), c.nStart) << c.nHint;
        EXPECT_EQ(State(ID_MEASUREMENT_STOP), c.nStop) << c.nHint;
        EXPECT_EQ(State(ID_MEASUREMENT_PAUSE), c.nPause) << c.nHint;
        EXPECT_EQ(State(ID_DETECT_HARDWARE), c.nDetect) << c.nHint;
        EXPECT_EQ(Frame().GetHardwarePane().text(), QString::fromLatin1(c.strPane)) << c.nHint;
        for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE}) {
            EXPECT_EQ(State(id), 4) << c.nHint;
        }
    }
}

TEST_F(MainFrameTest, ClosingAsksOnlyWhileRunning) {
    const struct {
        long nStateHint;
        bool bAsks;
    } cases[] = {{70, true}, {72, false}, {71, false}};
    for (const auto& c : cases) {
        Frame().show();
        m_prompt.m_boxes.clear();
        m_prompt.m_nAnswer = IDNO;
        Doc().UpdateAllViews(nullptr, c.nStateHint);
        const bool closed = Frame().close();
        EXPECT_EQ(closed, !c.bAsks) << c.nStateHint;
        ASSERT_EQ(m_prompt.m_boxes.size(), c.bAsks ? 1u : 0u) << c.nStateHint;
        if (c.bAsks) {
            EXPECT_EQ(m_prompt.m_boxes[0].text,
                      "The Measurement is still running !\nDo you want to end the measurement "
                      "and exit ?");
            EXPECT_EQ(m_prompt.m_boxes[0].style, 52u);
            m_prompt.m_nAnswer = IDYES;
            EXPECT_TRUE(Frame().close());
        }
    }
}

TEST_F(MainFrameTest, F4ThenAlt3ShowsTheDeviationPageOfTheMeasurementPage) {
    Frame().show();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    m_hints.hints.clear();

    QTest::keyClick(&Frame(), Qt::Key_F4);
    EXPECT_EQ(View().GetCurrentPage(), 2);
    auto* data = static_cast<CDataView*>(View().GetItemView(2));
    EXPECT_TRUE(data->isVisible());
    EXPECT_FALSE(View().GetItemView(0)->isVisible());

    QTest::keyClick(&Frame(), Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(m_hints.hints, (std::vector<long>{22, 27}));
    EXPECT_EQ(data->GetSelected(), PAGE_DEVIATION);
    EXPECT_EQ(data->GetTitle(), QStringLiteral("Measurement - MPX Deviation"));
    EXPECT_TRUE(data->GetMeasurementView(PAGE_DEVIATION)->isVisible());
}

// Alt+1 to Alt+7 show their measurement view from every page.
TEST_F(MainFrameTest, AltKeysShowTheirMeasurementViewFromEveryPage) {
    Frame().show();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    const auto* data = static_cast<CDataView*>(View().GetItemView(ITEM_DATA));
    const struct {
        int nFromPage;
        int nKey;
        int nView;
    } cases[] = {
        {ITEM_PROTOCOL, 1, PAGE_SIGNAL},   {ITEM_SETTINGS, 2, PAGE_QUALITY},
        {ITEM_ALARM, 3, PAGE_DEVIATION},   {ITEM_DATA, 4, PAGE_POWER},
        {ITEM_PROTOCOL, 5, PAGE_SPECTRUM}, {ITEM_ALARM, 6, PAGE_RDS},
        {ITEM_SETTINGS, 7, PAGE_STEREO},
    };
    for (const auto& c : cases) {
        Doc().UpdateAllViews(nullptr, HINT_SHOW_PAGE + c.nFromPage);
        QTest::keyClick(&Frame(), static_cast<Qt::Key>(Qt::Key_0 + c.nKey), Qt::AltModifier);
        EXPECT_EQ(View().GetCurrentPage(), ITEM_DATA) << c.nKey;
        EXPECT_EQ(data->GetSelected(), c.nView) << c.nKey;
        EXPECT_TRUE(data->GetMeasurementView(c.nView)->isVisible()) << c.nKey;
    }
    EXPECT_EQ(data->GetTitle(), QStringLiteral("Measurement - Stereo and Audio"));
}

// F1 opens the user guide, made from the README of the source tree as it was built.
TEST_F(MainFrameTest, F1OpensTheUserGuideMadeFromTheReadme) {
    Frame().show();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    QTest::keyClick(&Frame(), Qt::Key_F1);
    const auto* guide = Frame().findChild<CUserGuide*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    QFile readme(QStringLiteral(TAVIK_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    EXPECT_EQ(EmbeddedReadme(), QString::fromUtf8(readme.readAll()));
    const QString shown = guide->GetBrowser().toPlainText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Tavik"))) << shown.left(40).toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Daily report")));
    EXPECT_FALSE(shown.contains(QStringLiteral("docs/screenshots")));
}

TEST(UserGuideTest, TakesTheReadmeUpToItsLayoutWithoutPictures) {
    const struct {
        const char* strReadme;
        const char* strGuide;
    } cases[] = {
        {"# T\n\nText.\n\n![pic](a.png)\n## Application\nUse it.\n\n## Layout\ncode\n"
         "## Builds\nx\n",
         "# T\n\nText.\n\n## Application\nUse it.\n"},
        {"# T\n| | |\n|---|---|\n| ![a](a.png) | ![b](b.png) |\n\nEnd\n", "# T\n\nEnd\n"},
        {"# T\n| Key | Does |\n|---|---|\n| F1 | ![i](i.png) guide |\n",
         "# T\n| Key | Does |\n|---|---|\n| F1 |  guide |\n"},
        {"# T\nSee ![x](x.png) here.\n## Builds\nx\n## Layout\n", "# T\nSee  here.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UserGuideMarkdown(QString::fromUtf8(c.strReadme)).toStdString(), c.strGuide)
            << c.strReadme;
    }
}

TEST_F(MainFrameTest, ClickingAlarmSettingsSendsHint23AndShowsTheAlarmPage) {
    Frame().show();
    m_hints.hints.clear();
    CXTOutlookBar& bar = View().GetMenuView().GetOutlookBar();
    ASSERT_EQ(bar.GetLabel(3), QStringLiteral("Alarm Settings"));

    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.ItemRect(3).center());
    EXPECT_EQ(m_hints.hints, std::vector<long>{23});
    EXPECT_EQ(View().GetCurrentPage(), 3);
    EXPECT_TRUE(View().GetItemView(3)->isVisible());
    EXPECT_EQ(View().GetItemView(3)->objectName(), QStringLiteral("alarm view"));
}

TEST_F(MainFrameTest, MainTimerRunsFromHint11ToHint12AndDrivesTheDocument) {
    EXPECT_FALSE(View().IsTimerRunning());
    Doc().UpdateAllViews(nullptr, HINT_RUN_STARTED);
    EXPECT_TRUE(View().IsTimerRunning());
    EXPECT_EQ(View().GetTimerPeriod(), 1000);

    View().OnTimer();  // what a tick does is the document's test
    EXPECT_EQ(Doc().GetElapsed().GetTotalSeconds(), 1);

    Doc().UpdateAllViews(nullptr, HINT_RUN_PAUSED);
    EXPECT_FALSE(View().IsTimerRunning());
}

TEST_F(MainFrameTest, TitleAndMinimumSize) {
    Frame().show();
    Frame().resize(300, 200);
    EXPECT_GE(Frame().width(), 800);
    EXPECT_GE(Frame().height(), 600);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("NORVANE TAVIK"));
}

// The window opens where it was closed however often it is reopened: the frame around it
// does not move it.
TEST(ReopeningTest, TheWindowReopensWhereItWasClosed) {
    const auto text = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height())
            .toStdString();
    };
    // Where the user put it: at the top left of the (offscreen) screen, inside its 2-pixel
    // frame, as a display without a window manager places a window; and further in.
    for (const QRect& placed : {QRect(2, 2, 800, 640), QRect(40, 60, 800, 700)}) {
        std::vector<std::string> places;
        for (int session = 0; session < 4; ++session) {
            CRecordingPrompt prompt;
            CTAVIKSDIApp app(&prompt);
            ASSERT_TRUE(app.InitInstance({}));
            CMainFrame& frame = app.GetMainFrame();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
            if (session == 0) {
                frame.setGeometry(placed);
                QCoreApplication::processEvents();
            }
            places.push_back(text(frame.geometry()));
            EXPECT_TRUE(frame.close());
        }
        EXPECT_EQ(places[0], text(placed));
        for (std::size_t i = 1; i < places.size(); ++i) {
            EXPECT_EQ(places[i], places[0]) << i;
        }
    }
}

// Moves the document's clock on by a second at every tick, as time passes while measuring.
class CSecondsView final : public CView {
public:
    explicit CSecondsView(CManualClock& clock) : m_clock(clock) {}
    void OnUpdate(CView* /*sender*/, long hint, void* /*object*/) override {
        if (hint == HINT_TIMER_TICK) {
            ++m_nTicks;
            m_clock.Advance(CTimeSpan(1));
        }
    }
    int m_nTicks = 0;

private:
    CManualClock& m_clock;
};

QMessageBox* OpenBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

TEST(AcknowledgeQuestionTest, TicksAndOtherAlarmsGoOnWhileTheQuestionIsOpen) {
    CGuiPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    prompt.SetParentWidget(&app.GetMainFrame());
    CTAVIKSDIDoc& doc = app.GetDocument();
    CManualClock clock(CTime(2026, 12, 7, 12, 0, 0));
    doc.SetClock(&clock);
    CSecondsView seconds(clock);
    doc.AddView(&seconds);
    const auto add = [&](const char* name, int delay, int acknowledge) {
        doc.SetAlarm(
            name, std::make_unique<CAlarmItem>(name, ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                               10.0f, ALARM_ACTION_LOG_ONLY,
                                               COleDateTimeSpan(0, 0, 0, delay), acknowledge));
        doc.SetAlarmChecked(name, true);
    };
    add("Asks", 0, ALARM_ACKNOWLEDGE_YES);
    add("Later", 25, ALARM_ACKNOWLEDGE_NO);
    doc.UpdateAllViews(nullptr, HINT_ALARM_LIST);
    doc.SetCurrentValues({std::nullopt, 50.0f, std::nullopt});
    // A box that blocked the timer would otherwise stay open for good.
    QTimer::singleShot(5000, &app.GetMainFrame(), [] {
        if (QMessageBox* box = OpenBox()) {
            box->close();
        }
    });

    app.GetMainFrame().GetMainView().StartTimer(5);
    ASSERT_TRUE(QTest::qWaitFor([] { return OpenBox() != nullptr; }, 2000));
    const int asked = seconds.m_nTicks;
    EXPECT_TRUE(QTest::qWaitFor([&] { return seconds.m_nTicks >= asked + 30; }, 4000));
    QMessageBox* box = OpenBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Asks has caused an alarm. Do you want to disable it ?");
    EXPECT_EQ(doc.GetAlarms().Lookup("Later")->m_bActive, 1);

    box->button(QMessageBox::Yes)->click();
    app.GetMainFrame().GetMainView().StopTimer();
    EXPECT_EQ(doc.GetAlarms().Lookup("Asks")->m_bEnabled, 0);  // not measuring: at once
    EXPECT_EQ(doc.GetAlarms().Lookup("Later")->m_bEnabled, 1);
    doc.RemoveView(&seconds);
}

TEST_F(MainFrameTest, AFailureThrownInASlotIsShownAndTheTimerGoesOn) {
    const struct {
        std::function<void()> throwIt;
        const char* strText;
    } cases[] = {
        {[] { throw std::out_of_range("chart range"); }, "chart range"},
        {[] { throw CDocumentException("in CDisplay::DrawData()\n", 0); }, nullptr},
    };
    const std::string table = FormatException(CDocumentException("in CDisplay::DrawData()\n", 0));
    for (const auto& c : cases) {
        m_prompt.m_boxes.clear();
        QTimer::singleShot(0, &Frame(), c.throwIt);
        QCoreApplication::processEvents();
        ASSERT_EQ(m_prompt.m_boxes.size(), 1u);
        EXPECT_EQ(m_prompt.m_boxes[0].style, MB_ICONEXCLAMATION);
        if (c.strText != nullptr) {
            EXPECT_EQ(m_prompt.m_boxes[0].text, c.strText);
        } else {
            EXPECT_EQ(m_prompt.m_boxes[0].text, table);  // our own failures by the error table
        }
    }
    const std::int64_t before = Doc().GetElapsed().GetTotalSeconds();
    View().StartTimer(5);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Doc().GetElapsed().GetTotalSeconds() > before; }, 2000));
    View().StopTimer();
}

}  // namespace
}  // namespace tavik
