#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "alarms/AlarmItem.h"
#include "document/DropReport.h"
#include "document/ResultRouter.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/document/DocumentTestSupport.h"

namespace tavik {
namespace {

using test::Reception;
using test::Result;

struct RouterFixture : test::CDocumentFixture {
    RouterFixture() : CDocumentFixture(true) {}
    CResultRouter router{*doc};
};

TEST_F(RouterFixture, CurrentValuesComeFromDeviationPowerHistoryAndMultipath) {
    EXPECT_TRUE(router.Route(Result<EResultCode::DeviationPeak>(76.5f)));
    EXPECT_EQ(doc->GetCurrentValues().m_fDeviation, 76.5f);

    router.Route(Result<EResultCode::PowerHistory>(
        std::make_shared<const std::vector<float>>(std::vector<float>{-1.5f, 3.0f})));
    EXPECT_EQ(doc->GetCurrentValues().m_fMpxPower, -1.5f);  // the newest value
    router.Route(Result<EResultCode::PowerHistory>(std::make_shared<const std::vector<float>>()));
    EXPECT_EQ(doc->GetCurrentValues().m_fMpxPower, -1.5f);  // an empty history changes nothing

    // Before the first accepted fit a result carries a status but no value: not a measurement.
    auto result = std::make_shared<CMultipathResult>();
    result->m_nStatus = CMultipathResult::STATUS_DEVIATION_TOO_LOW;
    router.Route(Result<EResultCode::Multipath>(result));
    EXPECT_FALSE(doc->GetCurrentValues().m_fMultipath);
    EXPECT_EQ(doc->GetCurrentRecord().m_fMultipath, 0.0f);  // the file keeps its 0
    result = std::make_shared<CMultipathResult>();
    result->m_slope = {1.25f};
    result->m_fMultipath = 1.25f;
    result->m_fLevel = 61.0f;
    result->m_nStatus = 1;
    router.Route(Result<EResultCode::Multipath>(result));
    EXPECT_EQ(doc->GetCurrentValues().m_fMultipath, 1.25f);
    EXPECT_EQ(doc->GetMultipathResult()->m_fLevel, 61.0f);
    EXPECT_EQ(doc->GetMultipathResult()->m_nStatus, 1);
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_MULTIPATH_RESULT, HINT_MULTIPATH_RESULT}));

    // Codes without a document value and missing payloads change nothing.
    EXPECT_TRUE(router.Route(CMessage{WM_ANALYSER_RESULT, 0, 0}));
    EXPECT_TRUE(router.Route(Result<EResultCode::DeviationMax>(99.0f)));
    EXPECT_TRUE(router.Route(Result<EResultCode::Power1s>(99.0f)));
    EXPECT_TRUE(router.Route(Result<EResultCode::TimeSignal>(nullptr)));
    EXPECT_TRUE(router.Route(Result<EResultCode::Multipath>(nullptr)));
    EXPECT_EQ(doc->GetCurrentValues().m_fDeviation, 76.5f);
    EXPECT_EQ(doc->GetCurrentValues().m_fMpxPower, -1.5f);
    EXPECT_TRUE(view.Take().empty());

    EXPECT_TRUE(router.Route(CMessage{WM_ANALYSER_ERROR, 11, 1}));
    EXPECT_FALSE(router.Route(CMessage{WM_ADC_BLOCK_READY, 0, 0}));
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// The document keeps the newest readings for the window and the alarms; readings of blocks from
// before a receiver's loss are not taken, and a stop's clearing forgets them.
TEST_F(RouterFixture, MpxReadingsAreKeptUntilTheAnalysersAreCleared) {
    EXPECT_FALSE(doc->GetMpxReadings());
    CMpxReadings readings;
    readings.pilotKhz = 6.8f;
    readings.leftDb = -6.0f;
    EXPECT_TRUE(router.Route(Result<EResultCode::MpxReadings>(readings)));
    ASSERT_TRUE(doc->GetMpxReadings());
    EXPECT_EQ(doc->GetMpxReadings()->pilotKhz, 6.8f);
    EXPECT_FALSE(doc->GetMpxReadings()->rdsKhz);
    doc->OnReceiverLost(true);
    readings.leftDb = -20.0f;
    router.Route(Result<EResultCode::MpxReadings>(readings));
    EXPECT_EQ(doc->GetMpxReadings()->leftDb, -6.0f);
    doc->OnReceiverLost(false);
    doc->ClearAnalysers();
    EXPECT_FALSE(doc->GetMpxReadings());
}

TEST_F(RouterFixture, TransferFailureStopsTheMeasurementAndReports) {
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    view.Take();

    router.Route(CMessage{WM_TRANSFER_ERROR, 1, 0});
    EXPECT_EQ(State(), "idle");
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                                   HINT_MEASUREMENT_STOPPED, HINT_HARDWARE_ERROR}));
    ExpectOneBox(
        "Device cannot be accessed -> check cable and power!\n\nError ID:    1\tError "
        "subID:    0\n\nError messages:\nADCTransfer: Error in thread!\n",
        MB_ICONEXCLAMATION);
}

using Lines = std::vector<std::string>;

// Without a carrier (or a receiver) the values measured before no longer stand: the deviation
// alarm waits instead of firing on noise, the second's record is marked, and the log (and a
// console) hear when the carrier, a frequency error or an overload begin and end, once each.
TEST_F(RouterFixture, ReceptionLossHoldsTheAlarmsAndMarksTheRecords) {
    Lines logged;
    doc->SetReceptionListener([&](const std::string& line) { logged.push_back(line); });
    doc->SetAlarm("Dev", std::make_unique<CAlarmItem>(
                             "Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 75.0f,
                             ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(doc->SetAlarmChecked("Dev", true));
    const auto active = [&] { return doc->GetAlarms().Lookup("Dev")->m_bActive != 0; };
    const CMessage lost{WM_TRANSFER_ERROR,
                        static_cast<std::uintptr_t>(EXC_TAVIKCONTROL),
                        CTavikControl::SUBID_RECEPTION_LOST,
                        {},
                        std::make_shared<const std::string>("rtltcp:x:1 closed; reconnecting")};
    const CMessage back{WM_TRANSFER_ERROR,
                        static_cast<std::uintptr_t>(EXC_TAVIKCONTROL),
                        CTavikControl::SUBID_RECEPTION_BACK,
                        {},
                        std::make_shared<const std::string>("reception from x:1 resumed")};
    const struct {
        CMessage message;
        float deviation;  // a block's peak routed after the message
        Lines lines;
        bool signal;
        bool active;
        bool marked;  // the second's record
    } steps[] = {
        {Reception(40.0f, 2500.0f, 0.0f, true),
         70.0f,
         {"Reception: the carrier is +2.5 kHz (+23.4 ppm) off 106.700 MHz"},
         true,
         false,
         false},
        {Reception(40.0f, 2400.0f, 0.0f, true), 70.0f, {}, true, false, false},
        // Noise's peaks, still on their way after the loss, are not measured values.
        {Reception(4.0f, 0.0f, 0.2f, false),
         265.0f,
         {"Reception: no FM carrier at 106.700 MHz (C/N 4.0 dB)"},
         false,
         false,
         true},
        {Reception(35.0f, 1000.0f, 0.2f, true),
         80.0f,
         {"Reception: FM carrier at 106.700 MHz (C/N 35.0 dB)",
          "Reception: the carrier is within 1.5 kHz of 106.700 MHz again",
          "Reception: 0.20 % of the IQ samples at the converter's limits; lower the gain"},
         true,
         true,
         true},
        {Reception(35.0f, 1000.0f, 0.0f, true),
         70.0f,
         {"Reception: the converter is within its limits again"},
         true,
         false,
         false},
        {lost,
         265.0f,
         {"Receiver: rtltcp:x:1 closed; reconnecting", "Reception: no samples from the receiver"},
         false,
         false,
         true},
        {Reception(35.0f, 1000.0f, 0.0f, true), 265.0f, {}, false, false, true},  // an old block's
        {back,
         70.0f,
         {"Receiver: reception from x:1 resumed", "Reception: samples from the receiver again"},
         true,
         false,
         true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.lines.empty() ? "-" : step.lines[0]);
        router.Route(step.message);
        router.Route(Result<EResultCode::DeviationPeak>(step.deviation));
        EXPECT_EQ(logged, step.lines);
        logged.clear();
        EXPECT_EQ(doc->HasSignal(), step.signal);
        EXPECT_EQ(doc->GetCurrentValues().m_fDeviation.has_value(), step.signal);
        doc->CheckAlarm();
        EXPECT_EQ(active(), step.active);
        // A second with no signal in any part of it is marked, even when the carrier came back.
        EXPECT_EQ(doc->GetCurrentRecord().m_bNoSignal, step.marked);
        clock.Advance(CTimeSpan(1));
        doc->SetResultValue(EResultValue::Close, 0.0f);
    }
}

// Dropped work is told to the console (and so the journal) with the log, as reception is.
TEST_F(RouterFixture, DroppedWorkReachesTheConsoleWithTheLog) {
    Lines logged;
    doc->SetReceptionListener([&](const std::string& line) { logged.push_back(line); });
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    CountDrop(EDropKind::AnalyserBlock);
    doc->OnMainTimerEvent();
    EXPECT_NE(std::find(logged.begin(), logged.end(), "Dropped analyser blocks: 1 since the start"),
              logged.end());
    doc->OnMeasurementStop();
}

// One line per kind and minute, with the run's total; drops before Begin do not count.
TEST(DropReport, LogsAKindsFirstDropOfEachMinute) {
    CountDrop(EDropKind::Result);  // an earlier run's
    CDropReport report;
    report.Begin();
    const std::time_t minute = 1781517600;  // a minute's start
    const struct {
        int second;
        std::vector<EDropKind> drops;
        Lines lines;
    } steps[] = {
        {1, {}, {}},
        {2,
         {EDropKind::AnalyserBlock, EDropKind::AnalyserBlock, EDropKind::RdsBlock},
         {"Dropped analyser blocks: 2 since the start", "Dropped RDS blocks: 1 since the start"}},
        {3, {EDropKind::AnalyserBlock}, {}},  // logged in this minute already
        {4, {EDropKind::SampleBlock}, {"Dropped sample blocks: 1 since the start"}},
        {59, {}, {}},
        {60, {EDropKind::AnalyserBlock}, {"Dropped analyser blocks: 4 since the start"}},
        {61, {EDropKind::Result}, {"Dropped results: 1 since the start"}},
        {125, {}, {}},  // nothing new: no line, even in a new minute
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.second);
        for (const EDropKind kind : step.drops) {
            CountDrop(kind);
        }
        EXPECT_EQ(report.Check(CTime(minute + step.second)), step.lines);
    }
    EXPECT_EQ(report.GetCounts().Describe(), "samples 1, analysers 4, rds 1, results 1");
}

}  // namespace
}  // namespace tavik
