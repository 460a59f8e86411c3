#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/TAVIKSDIDoc.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using test::CAlarmHintRecorder;
using test::CTempFolder;
using test::Samples16;

// A measurement running on recordings whose pace is never stepped: no block arrives.
struct RunningFixture : ::testing::Test {
    RunningFixture() {
        test::WriteOneBlockRecording(folder);
        doc->GetDevice().SetDataFolder(folder.Path());
        doc->GetDevice().SetPacers(&pace, &pace, &pace);
        doc->SetPrompt(&prompt);
        doc->SetClock(&clock);
        doc->AddView(&view);
        doc->SetAlarm("Dev", std::make_unique<CAlarmItem>("Dev", ALARM_SOURCE_DEVIATION,
                                                          ALARM_RELATION_GREATER, 75.0f, 0,
                                                          COleDateTimeSpan(), 0));
        doc->SetAlarmChecked("Dev", true);
        doc->OnMeasurementStart();
        EXPECT_TRUE(doc->IsRunning());
        view.Take();
    }
    ~RunningFixture() override { doc->RemoveView(&view); }

    CAlarmItem& Dev() {
        std::string name = "Dev";
        return *doc->GetAlarm(name);
    }

    CTempFolder folder;
    CSteppedPacer pace;
    CRecordingPrompt prompt;
    CManualClock clock{CTime(1700000000)};
    CAlarmHintRecorder view;
    std::unique_ptr<CTAVIKSDIDoc> doc = std::make_unique<CTAVIKSDIDoc>();
};

const std::string kStillRunning =
    "The Measurement is still running !\nDo you want to end the measurement ?";

TEST_F(RunningFixture, NewOrOpenAnsweredNoChangesNothing) {
    prompt.m_nAnswer = IDNO;
    EXPECT_FALSE(doc->OnNewDocument());
    EXPECT_FALSE(doc->OnOpenDocument(folder.File("whatever.tvk")));
    ASSERT_EQ(prompt.m_boxes.size(), 2u);
    for (const auto& box : prompt.m_boxes) {
        EXPECT_EQ(box.text, kStillRunning);
        EXPECT_EQ(box.style, 52u);
    }
    EXPECT_TRUE(doc->IsRunning());
    EXPECT_EQ(doc->GetAlarms().GetCount(), 1u);
    EXPECT_TRUE(view.Take().empty());
}

TEST_F(RunningFixture, NewAnsweredYesStopsAndSetsDefaults) {
    prompt.m_nAnswer = IDYES;
    EXPECT_TRUE(doc->OnNewDocument());
    EXPECT_FALSE(doc->IsRunning());
    EXPECT_FALSE(doc->IsPaused());
    EXPECT_TRUE(doc->GetAlarms().IsEmpty());
    std::vector<long> hints;
    for (const auto& seen : view.Take()) {
        hints.push_back(seen.hint);
    }
    EXPECT_EQ(hints, (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                        HINT_MEASUREMENT_STOPPED}));
}

TEST_F(RunningFixture, AnswersAndUntickWhileMeasuringOnlyRequestAReset) {
    doc->SetCurrentValues({0.0f, 90.0f, 0.0f});
    doc->OnMainTimerEvent();
    ASSERT_EQ(Dev().m_bActive, 1);
    view.Take();

    prompt.m_nAnswer = IDYES;
    EXPECT_EQ(doc->AskAlarmAcknowledge("Dev"), IDYES);
    EXPECT_EQ(Dev().m_bResetRequested, 1);
    EXPECT_EQ(Dev().m_bEnabled, 1);  // the next check switches it off
    doc->OnMainTimerEvent();
    EXPECT_EQ(Dev().m_bEnabled, 0);
    EXPECT_EQ(Dev().m_bActive, 0);
    EXPECT_EQ(view.Take(), (std::vector<CAlarmHintRecorder::Seen>{{HINT_ALARM_STATE, "Dev", 0},
                                                                  {HINT_TIMER_TICK, "", -1}}));

    doc->SetAlarmChecked("Dev", true);
    doc->SetAlarmChecked("Dev", false);
    EXPECT_EQ(Dev().m_bEnabled, 1);
    EXPECT_EQ(Dev().m_bResetRequested, 1);
}

TEST_F(RunningFixture, PauseKeepsAlarmStateAndStopDisablesEveryAlarm) {
    // The alarm page's reaction to the stop hint.
    view.react = [this](long hint, void*) {
        if (hint == HINT_MEASUREMENT_STOPPED) {
            doc->DisableAllAlarms();
        }
    };
    doc->SetCurrentValues({0.0f, 90.0f, 0.0f});
    doc->OnMainTimerEvent();
    ASSERT_EQ(Dev().m_bActive, 1);
    doc->OnMeasurementPause();
    EXPECT_EQ(Dev().m_bActive, 1);
    EXPECT_EQ(Dev().m_bEnabled, 1);
    doc->OnMeasurementStop();
    EXPECT_EQ(Dev().m_bActive, 0);
    EXPECT_EQ(Dev().m_bEnabled, 0);
    EXPECT_EQ(Dev().m_bResetRequested, 1);
    // Paused, not running: unticking disables at once.
    doc->SetAlarmChecked("Dev", true);
    doc->SetAlarmChecked("Dev", false);
    EXPECT_EQ(Dev().m_bEnabled, 0);
}

}  // namespace
}  // namespace tavik
