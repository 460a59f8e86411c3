#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <sstream>
#include <vector>

#include "alarms/AlarmItem.h"
#include "app/AlarmNotifier.h"
#include "app/MonitorValues.h"
#include "app/StatusLine.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::Result;

TEST(StatusLine, ShowsADashForEveryValueNotYetMeasured) {
    CMonitorValues values;
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(1), values, ""),
              "00:00:01 dev - max - kHz | mpx - 1s - 60s dBr | mp - %/kHz - | rf - dBuV | "
              "PI - PS - BER - % | alarms -");
    // A multipath result before the first accepted fit has a status but no value.
    auto noFit = std::make_shared<CMultipathResult>();
    noFit->m_nStatus = CMultipathResult::STATUS_DEVIATION_TOO_LOW;
    values.Take(Result<EResultCode::Multipath>(noFit));
    EXPECT_NE(CStatusLine::Format(CTimeSpan(1), values, "").find("| mp - %/kHz LOW-DEV | rf - "),
              std::string::npos);
    // Drops show at the end once there are any, kind by kind.
    values.drops.n = {0, 5, 1, 0};
    const std::string line = CStatusLine::Format(CTimeSpan(1), values, "");
    EXPECT_EQ(line.substr(line.find("| alarms")), "| alarms - | dropped analysers 5, rds 1");
}

TEST(StatusLine, ShowsEveryValueOnceMeasured) {
    CMonitorValues values;
    values.Take(Result<EResultCode::DeviationPeak>(48.26f));
    values.Take(Result<EResultCode::DeviationMax>(77.14f));
    values.Take(Result<EResultCode::Power1s>(2.954f));
    values.Take(Result<EResultCode::PowerHistory>(std::make_shared<const std::vector<float>>(
        std::vector<float>{3.016f, -1.0f})));  // newest first
    auto multipath = std::make_shared<CMultipathResult>();
    multipath->m_slope = {0.1234f};
    multipath->m_fMultipath = 0.1234f;
    multipath->m_fLevel = 65.06f;
    multipath->m_nStatus = CMultipathResult::STATUS_CONDITIONS_MET;
    values.Take(Result<EResultCode::Multipath>(multipath));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "M\xD1NCHEN ";  // RDS code table: 0xD1 is A-diaeresis
    rds->m_dBitErrorRate = 0.126;
    values.Take(Result<EResultCode::RdsQuality>(rds));
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(0, 25, 1, 5), values, "Dev high,Silence"),
              "25:01:05 dev 48.3 max 77.1 kHz | mpx 2.95 1s 3.02 60s dBr | mp 0.12 %/kHz OK | "
              "rf 65.1 dBuV | PI D313 PS \"M\xC3\x84NCHEN \" BER 0.13 % | alarms Dev high,Silence");

    // Messages of other kinds, and results without a payload, change nothing.
    values.Take(CMessage{WM_TRANSFER_ERROR, 4, 0});
    values.Take(Result<EResultCode::PowerHistory>(nullptr));
    values.Take(Result<EResultCode::PowerHistory>(std::make_shared<const std::vector<float>>()));
    EXPECT_EQ(values.deviation, 48.26f);
    EXPECT_EQ(values.power60s, 3.016f);
    // A record without PI and PS yet (the decoder has not found them).
    values.Take(Result<EResultCode::RdsData>(std::make_shared<CRDSSnapshot>()));
    EXPECT_NE(CStatusLine::Format(CTimeSpan(1), values, "").find("| PI - PS - BER 0.00 % |"),
              std::string::npos);
    values.Clear();
    EXPECT_FALSE(values.deviation || values.multipath || values.rds);
}

TEST(StatusLine, ValuesAndStatusTexts) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(CStatusLine::FormatValue(-inf, 2), "-inf");  // the power of silence
    EXPECT_EQ(CStatusLine::FormatValue(inf, 2), "inf");
    EXPECT_EQ(CStatusLine::FormatValue(std::nanf(""), 2), "nan");
    EXPECT_EQ(CStatusLine::FormatValue(std::nullopt, 2), "-");
    EXPECT_EQ(CStatusLine::FormatValue(-0.004f, 2), "-0.00");
    EXPECT_EQ(CStatusLine::FormatValue(74.96f, 1), "75.0");
    EXPECT_STREQ(CStatusLine::StatusText(1), "OK");
    EXPECT_STREQ(CStatusLine::StatusText(2), "STOP");
    EXPECT_STREQ(CStatusLine::StatusText(3), "LOW-DEV");
    EXPECT_STREQ(CStatusLine::StatusText(0), "-");
    EXPECT_STREQ(CStatusLine::StatusText(4), "-");
    EXPECT_EQ(CStatusLine::FormatElapsed(CTimeSpan(0)), "00:00:00");
    EXPECT_EQ(CStatusLine::FormatElapsed(CTimeSpan(100, 0, 0, 59)), "2400:00:59");
}

// What an --on-alarm program is told of a deactivation before anything was measured.
TEST(AlarmNotifier, EnvironmentOfAClearedAlarm) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    CTAVIKSDIDoc doc;
    CManualClock clock(CTime(1781517600));
    doc.SetClock(&clock);
    CMonitorValues values;
    std::ostringstream err;
    CAlarmNotifier notifier(doc, values, "/bin/true", err);
    CAlarmItem item("$(x)", ALARM_SOURCE_MULTIPATH, ALARM_RELATION_GREATER_EQUAL, 1.5f,
                    ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO);
    item.m_fTriggerValue = 2.25f;  // the value of the last activation, not of this event
    EXPECT_EQ(
        notifier.Environment("$(x)", item),
        (std::vector<std::string>{
            "TAVIK_ALARM_NAME=$(x)", "TAVIK_ALARM_STATE=cleared", "TAVIK_ALARM_SOURCE=MULTIPATH",
            "TAVIK_ALARM_VALUE=", "TAVIK_ALARM_RELATION=>=", "TAVIK_ALARM_THRESHOLD=1.5",
            "TAVIK_ALARM_UNIT=%/kHz", "TAVIK_ALARM_TIME=2026-06-15T12:00:00+02:00",
            "TAVIK_FREQUENCY_MHZ=106.7", "TAVIK_PI=", "TAVIK_PS="}));
    item.m_bActive = 1;
    EXPECT_EQ(notifier.Environment("$(x)", item)[3], "TAVIK_ALARM_VALUE=2.25");
}

}  // namespace
}  // namespace tavik
