#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "alarms/AlarmItem.h"
#include "app/MonitorOptions.h"
#include "app/MonitorValues.h"
#include "app/MonitorView.h"
#include "app/StatusLine.h"
#include "platform/Messages.h"
#include "tools/OptionParser.h"

namespace tavik {
namespace {

CMessage Result(std::uintptr_t code, std::shared_ptr<const void> payload) {
    return CMessage{WM_ANALYSER_RESULT, code, 0, std::move(payload)};
}

TEST(StatusLine, ShowsADashForEveryValueNotYetMeasured) {
    CMonitorValues values;
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(1), values, ""),
              "00:00:01 dev - max - kHz | mpx - 1s - 60s dBr | mp - %/kHz - | rf - dBuV | "
              "PI - PS - BER - % | alarms -");
    // A multipath result before the first accepted fit has a status but no value.
    auto noFit = std::make_shared<CMultipathResult>();
    noFit->m_nStatus = CMultipathResult::STATUS_DEVIATION_TOO_LOW;
    values.Take(Result(8, noFit));
    EXPECT_NE(CStatusLine::Format(CTimeSpan(1), values, "").find("| mp - %/kHz LOW-DEV | rf - "),
              std::string::npos);
}

TEST(StatusLine, ShowsEveryValueOnceMeasured) {
    CMonitorValues values;
    values.Take(Result(4, std::make_shared<const float>(48.26f)));
    values.Take(Result(6, std::make_shared<const float>(77.14f)));
    values.Take(Result(12, std::make_shared<const float>(2.954f)));
    values.Take(Result(7, std::make_shared<const std::vector<float>>(
                              std::vector<float>{3.016f, -1.0f})));  // newest first
    auto multipath = std::make_shared<CMultipathResult>();
    multipath->m_slope = {0.1234f};
    multipath->m_fMultipath = 0.1234f;
    multipath->m_fLevel = 65.06f;
    multipath->m_nStatus = CMultipathResult::STATUS_CONDITIONS_MET;
    values.Take(Result(8, multipath));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "M\xD1NCHEN ";  // RDS code table: 0xD1 is A-diaeresis
    rds->m_dBitErrorRate = 0.126;
    values.Take(Result(11, rds));
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(0, 25, 1, 5), values, "Dev high,Silence"),
              "25:01:05 dev 48.3 max 77.1 kHz | mpx 2.95 1s 3.02 60s dBr | mp 0.12 %/kHz OK | "
              "rf 65.1 dBuV | PI D313 PS \"M\xC3\x84NCHEN \" BER 0.13 % | alarms Dev high,Silence");

    // Messages of other kinds, and results without a payload, change nothing.
    values.Take(CMessage{WM_TRANSFER_ERROR, 4, 0, std::make_shared<const float>(1.0f)});
    values.Take(Result(4, nullptr));
    values.Take(Result(7, std::make_shared<const std::vector<float>>()));
    EXPECT_EQ(values.deviation, 48.26f);
    EXPECT_EQ(values.power60s, 3.016f);
    // A record without PI and PS yet (the decoder has not found them).
    values.Take(Result(9, std::make_shared<CRDSSnapshot>()));
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

TEST(StatusLine, AlarmEvents) {
    CAlarmItem item("Dev high", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 80.0f,
                    ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO);
    item.m_bActive = 1;
    item.m_fTriggerValue = 81.234f;
    EXPECT_EQ(CMonitorView::FormatAlarmEvent("Dev high", item),
              "alarm \"Dev high\" active: DEVIATION 81.23 kHz > 80.00");
    item.m_bActive = 0;
    EXPECT_EQ(CMonitorView::FormatAlarmEvent("Dev high", item), "alarm \"Dev high\" cleared");
}

TEST(MonitorOptions, ParsesEveryOption) {
    const CMonitorOptions options =
        CMonitorOptionParser::Parse({"--seconds", "3", "--log-folder", ".", "--setup", "a.tvk",
                                     "--enable-alarms", "--frequency", "98.2", "--speed", "20"});
    EXPECT_EQ(options.nSeconds, 3);
    EXPECT_EQ(options.strLogFolder, ".");
    EXPECT_EQ(options.strSetupFile, "a.tvk");
    EXPECT_TRUE(options.bEnableAlarms);
    EXPECT_EQ(options.frequency, 98.2f);
    EXPECT_EQ(options.fSpeed, 20.0);
    EXPECT_FALSE(options.bHelp);

    const CMonitorOptions defaults = CMonitorOptionParser::Parse({});
    EXPECT_EQ(defaults.nSeconds, 0);  // until a signal
    EXPECT_FALSE(defaults.frequency);
    EXPECT_EQ(defaults.fSpeed, 1.0);
    EXPECT_TRUE(CMonitorOptionParser::Parse({"--help", "--bogus"}).bHelp);
}

TEST(MonitorOptions, RejectsWhatItCannotUse) {
    const auto message = [](const std::vector<std::string>& args) -> std::string {
        try {
            CMonitorOptionParser::Parse(args);
        } catch (const COptionError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(message({"--bogus"}), "monitor: --bogus: unknown option");
    EXPECT_EQ(message({"--seconds"}), "monitor: --seconds: needs a value");
    EXPECT_EQ(message({"--seconds", "0"}), "monitor: --seconds: \"0\" is outside 1 to 315360000");
    EXPECT_EQ(message({"--seconds", "3s"}), "monitor: --seconds: \"3s\" is not a whole number");
    EXPECT_EQ(message({"--frequency", "108.1"}),
              "monitor: --frequency: \"108.1\" is outside 87.5 to 108");
    EXPECT_EQ(message({"--frequency", "nan"}), "monitor: --frequency: \"nan\" is not a number");
    EXPECT_EQ(message({"--speed", "0"}), "monitor: --speed: \"0\" is outside 0.1 to 1000");
    EXPECT_EQ(message({"--log-folder", "/nonexistent/x"}), "accepted");  // made at the start
    EXPECT_EQ(message({"--log-folder", ""}), "monitor: --log-folder: needs a folder");
}

}  // namespace
}  // namespace tavik
