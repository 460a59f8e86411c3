#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "rds/RDSData.h"
#include "tests/document/DocumentTestSupport.h"

namespace tavik {
namespace {

struct AlarmSourcesFixture : test::CDocumentFixture {
    void Station(const char* pi, const char* ps) {
        CRDSData data;
        data.m_strPI = pi;
        data.m_strPS = ps;
        doc->OnStationDecoded(data);
    }
    void CarrierToNoise(float dB) {
        CReception reception;
        reception.fCarrierToNoise = dB;
        reception.bSignal = dB >= CReception::kNoSignalCarrierToNoise;
        doc->OnReception(reception);
    }
    void Readings(std::optional<float> pilot, std::optional<float> rds,
                  std::optional<float> silence) {
        CMpxReadings readings;
        readings.pilotKhz = pilot;
        readings.rdsKhz = rds;
        readings.quietSeconds = static_cast<int>(silence.value_or(0.0f));
        doc->OnMpxReadings(readings);
    }
};

// Each source fed once a second (step 0 at the first check) with an alarm of delay 0 and
// acknowledge NO: active at the planted second, idle again once the condition is gone; the
// log line names the source with its unit.
TEST_F(AlarmSourcesFixture, EachSourceFiresAndClearsAtThePlantedSecond) {
    using F = AlarmSourcesFixture;
    const struct {
        std::int32_t source;
        std::int32_t relation;
        float threshold;
        std::function<void(F&, int)> feed;
        int steps;
        const char* states;  // after each check: 'A' active, '-' idle
        const char* line;    // the activation's log line after the alarm's name
    } rows[] = {
        {ALARM_SOURCE_RF_LEVEL, ALARM_RELATION_LESS, 20.0f,
         [](F& f, int s) { f.doc->OnRfLevel(s == 1 || s == 2 ? 12.0f : 45.0f); }, 4, "-AA-",
         "RFLEVEL(12.000) < 20.000dBuV"},
        // A carrier lost: the level alarm still sees the values.
        {ALARM_SOURCE_CARRIER_NOISE, ALARM_RELATION_LESS, 15.0f,
         [](F& f, int s) { f.CarrierToNoise(s == 1 ? 4.5f : 35.0f); }, 3, "-A-",
         "CN(4.500) < 15.000dB"},
        // Groups at seconds 1 and 5: 3 s without one at second 4.
        {ALARM_SOURCE_RDS_LOST, ALARM_RELATION_GREATER_EQUAL, 3.0f,
         [](F& f, int s) {
             f.doc->OnRdsGroups(s == 0 ? 0 : s < 5 ? 5 : 9);
         },
         6, "----A-", "RDS_LOST(3.000) >= 3.000s"},
        // Confirmed at second 1 (no change: the first), the new PI at second 4.
        {ALARM_SOURCE_PI_CHANGE, ALARM_RELATION_LESS, 0.0f,
         [](F& f, int s) { f.Station(s < 3 ? "D313" : "D314", "TAVIK FM"); }, 6, "----A-",
         "PI_CHANGE"},
        {ALARM_SOURCE_PS_CHANGE, ALARM_RELATION_LESS, 0.0f,
         [](F& f, int s) { f.Station("D313", s < 2 ? "TAVIK FM" : "NEWS    "); }, 5, "---A-",
         "PS_CHANGE"},
        {ALARM_SOURCE_PILOT, ALARM_RELATION_LESS, 6.0f,
         [](F& f, int s) { f.Readings(s == 1 ? 2.5f : 6.75f, {}, {}); }, 3, "-A-",
         "PILOT(2.500) < 6.000kHz"},
        {ALARM_SOURCE_RDS_INJECTION, ALARM_RELATION_LESS, 1.0f,
         [](F& f, int s) { f.Readings({}, s == 2 ? 0.25f : 3.0f, {}); }, 4, "--A-",
         "RDS_INJECTION(0.250) < 1.000kHz"},
        {ALARM_SOURCE_SILENCE, ALARM_RELATION_GREATER_EQUAL, 10.0f,
         [](F& f, int s) { f.Readings({}, {}, s == 1 ? 12.0f : 0.0f); }, 3, "-A-",
         "SILENCE(12.000) >= 10.000s"},
    };
    doc->RemoveView(&view);  // each row has a fresh document
    for (const auto& row : rows) {
        SCOPED_TRACE(CAlarmItem::GetSourceText(row.source));
        doc = std::make_unique<CTAVIKSDIDoc>();
        doc->SetPrompt(&prompt);
        doc->SetClock(&clock);
        doc->SetAlarm("a", std::make_unique<CAlarmItem>("a", row.source, row.relation,
                                                        row.threshold, ALARM_ACTION_LOG_ONLY,
                                                        COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
        ASSERT_TRUE(doc->SetAlarmChecked("a", true));
        std::string name = "a";
        CAlarmItem& item = *doc->GetAlarm(name);
        std::string states, line;
        for (int step = 0; step < row.steps; ++step) {
            row.feed(*this, step);
            doc->CheckAlarm();
            clock.Advance(CTimeSpan(1));
            states += item.m_bActive ? 'A' : '-';
            if (item.m_bActive && line.empty()) {
                line = CAlarmEventRecorder::FormatEvent(item);
            }
        }
        EXPECT_EQ(states, row.states);
        EXPECT_EQ(line, std::string("Alarm \"a\" caused an alarm because ") + row.line);
    }
    doc->AddView(&view);
}

// A source without a value never fires: no receiver reporting C/N (a recording), no MPX
// levels readings yet, no RF level measured yet.
TEST_F(AlarmSourcesFixture, ASourceWithoutAValueNeverFires) {
    for (const std::int32_t source :
         {ALARM_SOURCE_CARRIER_NOISE, ALARM_SOURCE_PILOT, ALARM_SOURCE_RDS_INJECTION,
          ALARM_SOURCE_SILENCE, ALARM_SOURCE_RF_LEVEL}) {
        const std::string name = CAlarmItem::GetSourceText(source);
        doc->SetAlarm(name, std::make_unique<CAlarmItem>(name, source, ALARM_RELATION_GREATER_EQUAL,
                                                         -10.0f, ALARM_ACTION_LOG_ONLY,
                                                         COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
        ASSERT_TRUE(doc->SetAlarmChecked(name, true));
        EXPECT_EQ(doc->GetAlarmSourceValue(source), std::nullopt) << name;
    }
    for (int second = 0; second < 3; ++second) {
        doc->CheckAlarm();
        clock.Advance(CTimeSpan(1));
    }
    for (const CAlarmMap::Entry& entry : doc->GetAlarms()) {
        EXPECT_EQ(entry.item->m_bActive, 0) << entry.key;
        EXPECT_EQ(entry.item->m_bPending, 0) << entry.key;
    }
}

}  // namespace
}  // namespace tavik
