#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/TAVIKSDIDoc.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/RecordingLink.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CHintRecorder;
using test::CRecordingLink;

struct LifecycleFixture : test::CDocumentFixture {
    LifecycleFixture() : CDocumentFixture(true) {}
};

TEST_F(LifecycleFixture, StartPauseResumeStop) {
    doc->OnMeasurementStart();
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_STARTED, HINT_MEASUREMENT_STARTED}));
    EXPECT_EQ(State(), "running open adc");
    EXPECT_EQ(doc->GetStartTime(), CTime(1700000000));
    EXPECT_TRUE(prompt.m_boxes.empty());

    // Start while running: the command does nothing, the operation throws.
    doc->OnMeasurementStart();
    EXPECT_TRUE(view.Take().empty());
    EXPECT_EQ(test::Thrown<CDocumentException>([&] { doc->StartMeasurement(); }),
              "StartMeasurement: Measurement already running\n");

    doc->OnMainTimerEvent();
    doc->OnMainTimerEvent();
    EXPECT_EQ(doc->GetElapsed().GetTotalSeconds(), 2);
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_TIMER_TICK, HINT_TIMER_TICK}));

    doc->OnMeasurementPause();
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_PAUSED}));
    EXPECT_EQ(State(), "paused");

    doc->OnMeasurementPause();  // not running: nothing
    EXPECT_TRUE(view.Take().empty());

    clock.Set(CTime(1700000100));
    doc->OnMeasurementStart();  // resume
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_STARTED, HINT_MEASUREMENT_STARTED}));
    EXPECT_EQ(doc->GetElapsed().GetTotalSeconds(), 2);
    EXPECT_EQ(State(), "running open adc");
    EXPECT_EQ(doc->GetStartTime(), CTime(1700000100));

    doc->OnMeasurementStop();  // passes through a pause
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                                   HINT_MEASUREMENT_STOPPED}));
    EXPECT_EQ(State(), "idle");
    EXPECT_EQ(doc->GetElapsed().GetTotalSeconds(), 2);  // kept for the summary

    doc->OnMeasurementStop();  // idle: nothing
    EXPECT_TRUE(view.Take().empty());

    doc->OnMeasurementStart();  // a new run counts from 0
    EXPECT_EQ(doc->GetElapsed().GetTotalSeconds(), 0);
    doc->OnMeasurementPause();
    view.Take();
    doc->OnMeasurementStop();  // paused: no second pause
    EXPECT_EQ(view.TakeHints(),
              (std::vector<long>{HINT_MEASUREMENT_RESET, HINT_MEASUREMENT_STOPPED}));
    EXPECT_TRUE(prompt.m_boxes.empty());
}

TEST_F(LifecycleFixture, FailedStartReportsTheWholeChain) {
    std::remove(folder.File("lev.dat").c_str());
    doc->OnMeasurementStart();
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_HARDWARE_ERROR});
    // The recordings are the receiver here: their folder and what it lacks come first, not
    // the measurement receiver's "check cable and power".
    const std::string cause = "The recordings folder \"" + folder.Path() + "\" holds no lev.dat";
    ExpectOneBox(cause + "\n\nError ID:    1\tError subID:    0\n\nError messages:\n" + cause +
                     "\nStartMeasurement: Could not start measurement!\n",
                 MB_ICONEXCLAMATION);
    EXPECT_EQ(State(), "idle");
}

// The device switched to "local", or a status query that fails (and with it the pause's alarm
// reset, whose failure the stop swallows: HINT_HARDWARE_ERROR but no box of its own), stops the
// measurement.
TEST_F(LifecycleFixture, LocalStateOrAFailingStatusQueryStopsTheMeasurement) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    for (const bool failing : {false, true}) {
        SCOPED_TRACE(failing);
        link.writeOk = true;
        link.remote = 1;
        doc->OnMeasurementStart();
        ASSERT_TRUE(doc->IsRunning());
        doc->OnMainTimerEvent();  // remote: nothing happens
        EXPECT_TRUE(doc->IsRunning());
        view.Take();
        prompt.m_boxes.clear();
        link.writeOk = !failing;
        link.remote = failing ? 1 : 0;
        doc->OnMainTimerEvent();
        EXPECT_EQ(State(), "idle");
        EXPECT_EQ(view.TakeHints(),
                  failing ? (std::vector<long>{HINT_RUN_PAUSED, HINT_HARDWARE_ERROR,
                                               HINT_MEASUREMENT_RESET, HINT_MEASUREMENT_STOPPED,
                                               HINT_TIMER_TICK})
                          : (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                               HINT_MEASUREMENT_STOPPED, HINT_TIMER_TICK}));
        ASSERT_EQ(prompt.m_boxes.size(), 1u);
        if (!failing) {
            ExpectOneBox(
                "The measurement was stopped because the device\nwas switched to \"local\" state.",
                MB_ICONEXCLAMATION);
        }
    }
}

TEST_F(LifecycleFixture, PauseWithFailingAlarmResetStillPauses) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    doc->OnMeasurementStart();
    view.Take();
    link.writeOk = false;
    doc->OnMeasurementPause();
    EXPECT_EQ(State(), "paused");
    EXPECT_EQ(view.TakeHints(),
              (std::vector<long>{HINT_RUN_PAUSED, HINT_HARDWARE_ERROR, HINT_MEASUREMENT_PAUSED,
                                 HINT_MEASUREMENT_PAUSED}));
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_NE(prompt.m_boxes[0].text.find("TransmitToEZUSB: Could not send command\n"
                                          "PauseMeasurement: Alarm reset failed!\n"),
              std::string::npos);
}

TEST_F(LifecycleFixture, DetectHardwareAndTunerSettings) {
    doc->OnDetectHardware();
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_HARDWARE_FOUND, HINT_FREQUENCY_CHANGED}));
    EXPECT_FALSE(doc->GetDevice().IsOpen());

    EXPECT_TRUE(doc->SetTunerFrequency(98.5f));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FLOAT_EQ(doc->GetProtocolHeaderRef().m_fFrequency, 98.5f);
    EXPECT_FLOAT_EQ(doc->GetDevice().GetTunerFrequency(), 98.5f);

    CRecordingLink link;
    link.writeOk = false;
    doc->GetDevice().SetLink(&link);
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { doc->SetTunerFrequency(99.0f); }),
              "TransmitToEZUSB: Could not send command\nSetTunerFrequency()\n");
    EXPECT_FALSE(doc->GetDevice().IsOpen());
    doc->OnDetectHardware();
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_HARDWARE_ERROR});
    EXPECT_EQ(prompt.m_boxes.size(), 1u);
}

// A measurement running with one enabled alarm on the deviation; no block ever arrives.
struct RunningFixture : test::CDocumentFixture {
    RunningFixture() : CDocumentFixture(true) {
        doc->SetAlarm("Dev", std::make_unique<CAlarmItem>("Dev", ALARM_SOURCE_DEVIATION,
                                                          ALARM_RELATION_GREATER, 75.0f, 0,
                                                          COleDateTimeSpan(), 0));
        doc->SetAlarmChecked("Dev", true);
        doc->OnMeasurementStart();
        EXPECT_TRUE(doc->IsRunning());
        view.Take();
    }

    CAlarmItem& Dev() {
        std::string name = "Dev";
        return *doc->GetAlarm(name);
    }
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
    EXPECT_EQ(State(), "idle");
    EXPECT_TRUE(doc->GetAlarms().IsEmpty());
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                                   HINT_MEASUREMENT_STOPPED}));
}

TEST_F(RunningFixture, AnswersAndUntickWhileMeasuringOnlyRequestAReset) {
    doc->SetCurrentValues({0.0f, 90.0f, 0.0f});
    doc->OnMainTimerEvent();
    ASSERT_EQ(Dev().m_bActive, 1);
    view.Take();

    prompt.m_nAnswer = IDYES;
    EXPECT_TRUE(doc->AskAlarmAcknowledge("Dev"));
    EXPECT_EQ(test::Flags(Dev()), "AER");  // the next check switches it off
    doc->OnMainTimerEvent();
    EXPECT_EQ(test::Flags(Dev()), "R");
    EXPECT_EQ(view.Take(), (std::vector<CHintRecorder::Seen>{{HINT_ALARM_STATE, "Dev", 0},
                                                             {HINT_TIMER_TICK, "", -1}}));

    doc->SetAlarmChecked("Dev", true);
    doc->SetAlarmChecked("Dev", false);
    EXPECT_EQ(test::Flags(Dev()), "ER");
}

// What a stop does to the alarms is the alarm page's DisableAllAlarms, tested with the checks.
TEST_F(RunningFixture, PauseKeepsTheAlarmStateAndUntickingThenDisablesAtOnce) {
    doc->SetCurrentValues({0.0f, 90.0f, 0.0f});
    doc->OnMainTimerEvent();
    ASSERT_EQ(Dev().m_bActive, 1);
    doc->OnMeasurementPause();
    EXPECT_EQ(test::Flags(Dev()), "AE");
    doc->SetAlarmChecked("Dev", false);  // paused is not running
    EXPECT_EQ(test::Flags(Dev()), "AR");
}

}  // namespace
}  // namespace tavik
