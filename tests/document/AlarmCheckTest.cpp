#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/ReceiverCommands.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/RecordingLink.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CHintRecorder;
using test::CRecordingLink;
using test::Flags;
using Seen = CHintRecorder::Seen;
using Commands = std::vector<std::vector<std::uint8_t>>;

std::vector<std::uint8_t> Output(int output, int on) {
    return {CMD_ALARM_OUTPUT, static_cast<std::uint8_t>(output), static_cast<std::uint8_t>(on)};
}

struct AlarmCheckFixture : test::CDocumentFixture {
    AlarmCheckFixture() { doc->GetDevice().SetLink(&link); }
    ~AlarmCheckFixture() override { doc.reset(); }  // before the link it uses

    // Adds an enabled alarm on the deviation.
    CAlarmItem& Add(const std::string& name, std::int32_t relation, float threshold,
                    int delaySeconds, std::int32_t acknowledge,
                    std::int32_t action = ALARM_ACTION_OUTPUT_1,
                    std::int32_t source = ALARM_SOURCE_DEVIATION) {
        doc->SetAlarm(name, std::make_unique<CAlarmItem>(name, source, relation, threshold, action,
                                                         COleDateTimeSpan(0, 0, 0, delaySeconds),
                                                         acknowledge));
        EXPECT_TRUE(doc->SetAlarmChecked(name, true));
        std::string key = name;
        return *doc->GetAlarm(key);
    }
    void Deviation(float kHz) {
        CCurrentValues values = doc->GetCurrentValues();
        values.m_fDeviation = kHz;
        doc->SetCurrentValues(values);
    }
    // One check at the clock's time, then the clock moves on by `advance` seconds.
    void Check(int advance = 1) {
        doc->CheckAlarm();
        clock.Advance(CTimeSpan(advance));
    }

    CRecordingLink link;
};

// Adds one alarm and checks it once a second on the deviations given: its state after each check
// ('-' idle, 'p' pending, 'A' active), then the outputs it switched, its hints and its value;
// then removes it.
void Script(AlarmCheckFixture& f, const char* name, std::int32_t relation, float threshold,
            int delay, std::int32_t acknowledge, std::int32_t action,
            const std::vector<float>& deviations, const std::string& states,
            const Commands& outputs, const std::vector<Seen>& hints, float trigger) {
    SCOPED_TRACE(name);
    CAlarmItem& a = f.Add(name, relation, threshold, delay, acknowledge, action);
    std::string seen;
    for (const float kHz : deviations) {
        f.Deviation(kHz);
        f.Check();
        seen += a.m_bActive ? (a.m_bPending ? '?' : 'A') : (a.m_bPending ? 'p' : '-');
    }
    EXPECT_EQ(seen, states);
    EXPECT_EQ(f.link.Take(), outputs);
    EXPECT_EQ(f.view.Take(), hints);
    EXPECT_EQ(a.m_fTriggerValue, trigger);
    EXPECT_EQ(a.m_bEnabled, 1);
    f.doc->RemoveAlarm(name);
}

TEST_F(AlarmCheckFixture, StatesFollowTheDelayTheConditionAndTheAcknowledgeSetting) {
    // Delay 0: active at the first true check, and asks; unanswered it stays active when the
    // condition clears, its output on.
    Script(*this, "Overmod", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES,
           ALARM_ACTION_OUTPUT_2, {77.5f, 80.0f, 0.0f, 0.0f}, "AAAA", {Output(1, 1)},
           {{HINT_ALARM_STATE, "Overmod", 1}, {HINT_ALARM_PROMPT, "Overmod", 1}}, 77.5f);
    // The delay runs from the first true check; active strictly after it, with the value of the
    // activating check; "LOG ONLY" switches its output as well; no question.
    Script(*this, "Slow", ALARM_RELATION_GREATER_EQUAL, 75.0f, 5, ALARM_ACKNOWLEDGE_NO,
           ALARM_ACTION_LOG_ONLY, {75.0f, 76.0f, 77.0f, 78.0f, 79.0f, 80.0f, 81.25f}, "ppppppA",
           {Output(2, 1)}, {{HINT_ALARM_STATE, "Slow", 1}}, 81.25f);
    // Acknowledge NO clears itself and can fire again.
    Script(*this, "Self", ALARM_RELATION_LESS, 10.0f, 0, ALARM_ACKNOWLEDGE_NO,
           ALARM_ACTION_OUTPUT_1, {5.0f, 5.0f, 10.0f, 9.0f}, "AA-A",
           {Output(0, 1), Output(0, 0), Output(0, 1)},
           {{HINT_ALARM_STATE, "Self", 1},
            {HINT_ALARM_STATE, "Self", 0},
            {HINT_ALARM_STATE, "Self", 1}},
           9.0f);
}

TEST_F(AlarmCheckFixture, AnswerNoKeepsTheAlarmUntilTheConditionClears) {
    CAlarmItem& a = Add("Keep", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    Deviation(90.0f);
    Check();
    prompt.m_nAnswer = IDNO;
    EXPECT_TRUE(doc->AskAlarmAcknowledge("Keep"));
    ExpectOneBox("Keep has caused an alarm. Do you want to disable it ?",
                 MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(Flags(a), "AEK");
    link.Take();
    view.Take();
    Check();  // still true: stays active
    EXPECT_EQ(Flags(a), "AEK");
    EXPECT_TRUE(link.Take().empty());
    Deviation(70.0f);
    Check();
    EXPECT_EQ(Flags(a), "E");
    EXPECT_EQ(link.Take(), Commands{Output(0, 0)});
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_ALARM_STATE, "Keep", 0}}));
    Deviation(90.0f);
    Check();  // idle again, so it can fire again and asks again
    EXPECT_EQ(view.Take(),
              (std::vector<Seen>{{HINT_ALARM_STATE, "Keep", 1}, {HINT_ALARM_PROMPT, "Keep", 1}}));
}

// Ticking re-enables and clears the reset request; unticking while stopped disables at once.
TEST_F(AlarmCheckFixture, TickAndUntickWhileStopped) {
    CAlarmItem& a = Add("Off", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    EXPECT_TRUE(doc->SetAlarmChecked("Off", false));
    EXPECT_EQ(Flags(a), "R");
    EXPECT_TRUE(doc->SetAlarmChecked("Off", true));
    EXPECT_EQ(Flags(a), "E");
    EXPECT_FALSE(doc->SetAlarmChecked("missing", true));
    EXPECT_FALSE(doc->AnswerAlarmPrompt("missing", true));
}

TEST_F(AlarmCheckFixture, DeviationComparesThePeakOfTheBlocksSinceThePreviousCheck) {
    CAlarmItem& a = Add("Overmod", ALARM_RELATION_GREATER, 74.0f, 0, ALARM_ACKNOWLEDGE_NO);
    // One block above the limit in the second, the newest one below it.
    for (const float block : {70.0f, 76.5f, 71.0f}) {
        doc->SetResultValue(EResultValue::Deviation, block);
    }
    Check();
    EXPECT_EQ(Flags(a), "AE");
    EXPECT_EQ(a.m_fTriggerValue, 76.5f);
    EXPECT_EQ(*doc->GetCurrentValues().m_fDeviation, 71.0f);  // the record keeps the newest
    // The next second's blocks alone count: all below, the alarm clears.
    doc->SetResultValue(EResultValue::Deviation, 72.0f);
    Check();
    EXPECT_EQ(a.m_bActive, 0);
}

TEST_F(AlarmCheckFixture, AnOpenQuestionHoldsNothingUpAndItsAnswerAppliesWhenGiven) {
    CAlarmItem& a = Add("Open", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    CAlarmItem& late =
        Add("Late", ALARM_RELATION_GREATER, 80.0f, 3, ALARM_ACKNOWLEDGE_NO, ALARM_ACTION_OUTPUT_2);
    prompt.m_bHoldQuestions = true;
    Deviation(90.0f);
    Check();
    std::vector<int> answers;
    EXPECT_TRUE(doc->AskAlarmAcknowledge("Open", [&](int answer) { answers.push_back(answer); }));
    EXPECT_FALSE(doc->AskAlarmAcknowledge("Open"));  // one open question per alarm
    for (int i = 0; i < 5; ++i) {
        Check();
    }
    EXPECT_EQ(late.m_bActive, 1);  // the other alarm went on being checked
    EXPECT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_TRUE(answers.empty());

    ASSERT_TRUE(prompt.AnswerOpenQuestion(IDYES));
    EXPECT_EQ(answers, std::vector<int>{IDYES});
    EXPECT_EQ(Flags(a), "AR");  // nothing runs in this fixture: disabled at once

    // An answer that comes after the alarm was reset is moot.
    EXPECT_TRUE(doc->SetAlarmChecked("Open", true));
    Check();
    ASSERT_TRUE(doc->AskAlarmAcknowledge("Open", [&](int answer) { answers.push_back(answer); }));
    a.m_bActive = 0;
    ASSERT_TRUE(prompt.AnswerOpenQuestion(IDNO));
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(Flags(a), "E");
}

TEST_F(AlarmCheckFixture, AResetRequestSwitchesOffAndDisablesAtTheNextCheck) {
    CAlarmItem& a = Add("Reset", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES,
                        ALARM_ACTION_OUTPUT_2);
    Deviation(90.0f);
    Check();
    link.Take();
    view.Take();
    // As while measuring: only the request is set.
    a.m_bResetRequested = 1;
    Check();
    EXPECT_EQ(Flags(a), "R");
    EXPECT_EQ(link.Take(), Commands{Output(1, 0)});
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_ALARM_STATE, "Reset", 0}}));

    // A pending one is disabled without an output switch or hint.
    CAlarmItem& p = Add("Pending", ALARM_RELATION_GREATER, 75.0f, 9, ALARM_ACKNOWLEDGE_NO);
    Check();
    EXPECT_EQ(Flags(p), "PE");
    p.m_bResetRequested = 1;
    Check();
    EXPECT_EQ(Flags(p), "R");
    EXPECT_TRUE(link.Take().empty());
    EXPECT_TRUE(view.Take().empty());
}

TEST_F(AlarmCheckFixture, EachSourceReadsItsOwnValueOnceMeasured) {
    CAlarmItem& power = Add("P", ALARM_RELATION_GREATER, 1.0f, 0, ALARM_ACKNOWLEDGE_NO,
                            ALARM_ACTION_OUTPUT_1, ALARM_SOURCE_MPX_POWER);
    CAlarmItem& dev = Add("D", ALARM_RELATION_GREATER, 1.0f, 0, ALARM_ACKNOWLEDGE_NO,
                          ALARM_ACTION_OUTPUT_1, ALARM_SOURCE_DEVIATION);
    CAlarmItem& multi = Add("M", ALARM_RELATION_LESS, 3.0f, 0, ALARM_ACKNOWLEDGE_NO,
                            ALARM_ACTION_OUTPUT_1, ALARM_SOURCE_MULTIPATH);
    // Nothing measured yet (the record's 0 is a placeholder, "< 3" would hold): no verdict.
    Check();
    EXPECT_TRUE(view.Take().empty());
    doc->SetResultValue(EResultValue::Deviation, 3.0f);
    Check();
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_ALARM_STATE, "D", 1}}));
    doc->SetCurrentValues({2.0f, 3.0f, 2.5f});
    Check();
    EXPECT_EQ(power.m_fTriggerValue, 2.0f);
    EXPECT_EQ(dev.m_fTriggerValue, 3.0f);
    EXPECT_EQ(multi.m_fTriggerValue, 2.5f);
    // Map order: the order in which the alarms were added.
    EXPECT_EQ(view.Take(),
              (std::vector<Seen>{{HINT_ALARM_STATE, "P", 1}, {HINT_ALARM_STATE, "M", 1}}));
}

TEST_F(AlarmCheckFixture, IndicesOutsideTheirTables) {
    CAlarmItem& source = Add("S", ALARM_RELATION_GREATER, -1.0f, 0, 1, 0, 3);
    CAlarmItem& relation = Add("R", 5, -1.0f, 0, 1);
    CAlarmItem& negative = Add("N", -1, -1.0f, 0, 1);
    // An action outside the table (10 would switch every output) is evaluated and reported
    // like any other alarm, but switches no output.
    CAlarmItem& action = Add("A", ALARM_RELATION_GREATER, -1.0f, 0, 1, ALARM_OUTPUT_ALL);
    doc->SetCurrentValues({0.0f, 0.0f, 0.0f});
    for (int i = 0; i < 3; ++i) {
        Check();
    }
    EXPECT_EQ(Flags(source) + Flags(relation) + Flags(negative), "EEE");
    EXPECT_EQ(Flags(action), "AE");
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_ALARM_STATE, "A", 1}}));
    doc->SetCurrentValues({0.0f, -2.0f, 0.0f});
    Check();
    EXPECT_EQ(action.m_bActive, 0);
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_ALARM_STATE, "A", 0}}));
    EXPECT_TRUE(link.Take().empty());
}

TEST_F(AlarmCheckFixture, AFailingOutputSwitchLeavesAResetRequestAndOneErrorPerTick) {
    CAlarmItem& first = Add("First", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    CAlarmItem& second = Add("Second", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    Deviation(90.0f);
    link.writeOk = false;
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { doc->CheckAlarm(); }),
              "TransmitToEZUSB: Could not send command\nCheckAlarm()\n");
    // Set before the failing call, so kept; no hint; the second alarm was not checked.
    EXPECT_EQ(Flags(first), "AER");
    EXPECT_TRUE(view.Take().empty());
    EXPECT_EQ(Flags(second), "E");

    // Through the main timer: one box per tick, and the tick goes on (HINT_TIMER_TICK).
    const std::string expected = FormatException(CTavikControlException(
        "TransmitToEZUSB: Could not send command\nCheckAlarm()\nOnMainTimerEvent()\n", 0));
    doc->OnMainTimerEvent();  // the reset request disables it and tries the output again
    ExpectOneBox(expected, MB_ICONEXCLAMATION);
    EXPECT_EQ(view.Take(), (std::vector<Seen>{{HINT_TIMER_TICK, "", -1}}));
    EXPECT_EQ(Flags(first), "AR");  // active is cleared after the failing call: kept

    link.writeOk = true;
    doc->OnMainTimerEvent();  // first is disabled now; second goes active
    EXPECT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(second.m_bActive, 1);
    EXPECT_EQ(link.Take(), Commands{Output(0, 1)});
}

TEST_F(AlarmCheckFixture, StopDisablesEveryAlarm) {
    CAlarmItem& active = Add("Active", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    CAlarmItem& pending = Add("Pending", ALARM_RELATION_GREATER, 75.0f, 30, ALARM_ACKNOWLEDGE_NO);
    Deviation(90.0f);
    Check();
    ASSERT_EQ(Flags(active) + Flags(pending), "AEPE");
    view.Take();
    doc->DisableAllAlarms();  // what the alarm page does on HINT_MEASUREMENT_STOPPED
    EXPECT_EQ(Flags(active) + Flags(pending), "RR");
    EXPECT_TRUE(view.Take().empty());  // no "was reset" hints
    Check();
    EXPECT_TRUE(link.Take().size() == 1u);  // only the activation before the stop
}

TEST_F(AlarmCheckFixture, AViewRemovingTheAlarmDuringItsHintIsSafe) {
    Add("Gone", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_YES);
    CAlarmItem& next = Add("Next", ALARM_RELATION_GREATER, 75.0f, 0, ALARM_ACKNOWLEDGE_NO);
    view.react = [this](long hint, void* object) {
        if (hint == HINT_ALARM_STATE && static_cast<CAlarmItem*>(object)->m_strName == "Gone") {
            doc->RemoveAlarm("Gone");
            doc->CheckAlarm();  // a nested tick while a box is open
        }
    };
    Deviation(90.0f);
    Check();
    // No question for the removed alarm; the next one was checked (once, nested) and not twice.
    EXPECT_EQ(view.Take(),
              (std::vector<Seen>{{HINT_ALARM_STATE, "Gone", 1}, {HINT_ALARM_STATE, "Next", 1}}));
    EXPECT_EQ(next.m_bActive, 1);
    std::string name = "Gone";
    EXPECT_EQ(doc->GetAlarm(name), nullptr);
}

TEST_F(AlarmCheckFixture, SetIterationAndOwnership) {
    EXPECT_FALSE(doc->StartAlarmIteration());
    std::string name;
    EXPECT_EQ(doc->GetAlarm(name), nullptr);  // before any iteration
    doc->SetModifiedFlag(false);
    Add("b", 0, 1.0f, 0, 1);
    EXPECT_TRUE(doc->IsModified());
    Add("a", 0, 1.0f, 0, 1);
    Add("c", 0, 1.0f, 0, 1);

    name.clear();
    EXPECT_EQ(doc->GetAlarm(name), nullptr);  // still no iteration started
    ASSERT_TRUE(doc->StartAlarmIteration());
    EXPECT_EQ(IterateAlarms(), "b:1 a:1 c:1 ");
    EXPECT_EQ(doc->GetAlarm(name), nullptr);  // after the last: none again

    doc->SetModifiedFlag(false);
    doc->RemoveAlarm("zz");
    EXPECT_FALSE(doc->IsModified());
    doc->RemoveAlarm("a");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetAlarms().GetCount(), 2u);
}

}  // namespace
}  // namespace tavik
