#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include "app/JsonLine.h"
#include "app/SummaryReport.h"
#include "document/BatchCollector.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::Has;
using test::Result;

CSharedFloats Values(std::vector<float> values) {
    return std::make_shared<const std::vector<float>>(std::move(values));
}

TEST(BatchCollector, ExceedanceOf75KhzIsTheAccumulatedBinOf75) {
    CBatchCollector collector;
    std::vector<float> accumulated(110, 0.0f);
    accumulated[73] = 9.0f;  // at or above 74 kHz
    accumulated[74] = 2.5f;  // at or above 75 kHz
    accumulated[75] = 1.0f;
    collector.Collect(Result<EResultCode::DeviationAccumulated>(Values(accumulated)));
    ASSERT_TRUE(collector.GetSummary().fDeviationExceed75);
    EXPECT_EQ(*collector.GetSummary().fDeviationExceed75, 2.5f);
    EXPECT_EQ(collector.GetSummary().deviationAccumulated, accumulated);
}

TEST(BatchCollector, SixtySecondMaximumCoversEveryNewestValue) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::PowerHistory>(Values({1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({4.0f, 1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({})));  // nothing newest: ignored
    // Older values of the history are not newer seconds: 9 is no maximum of this run's fronts.
    collector.Collect(Result<EResultCode::PowerHistory>(Values({2.0f, 4.0f, 9.0f})));
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower60sLast, 2.0f);
    EXPECT_EQ(s.fMpxPower60sMax, 4.0f);
}

TEST(BatchCollector, TakesTheLatestValuesAndIgnoresOtherMessages) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::Power1s>(-1.5f));
    collector.Collect(Result<EResultCode::DeviationMax>(74.25f));
    collector.Collect(Result<EResultCode::Multipath>(test::NoFit()));  // a status, no value: null
    EXPECT_FALSE(collector.GetSummary().fRfLevel);
    EXPECT_EQ(collector.GetSummary().nItuStatus, 3);
    collector.Collect(Result<EResultCode::Multipath>(
        test::Fit(CMultipathResult::STATUS_CONDITIONS_MET, 0.75f, 61.0f)));
    collector.Collect(Result<EResultCode::Multipath>(nullptr));    // no payload
    collector.Collect(CMessage{WM_ANALYSER_ERROR, 8, 0});          // not a result
    collector.Collect(Result<EResultCode::DeviationPeak>(99.0f));  // block peak
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower1sLast, -1.5f);
    EXPECT_EQ(s.fDeviationMax, 74.25f);
    EXPECT_EQ(s.fMultipath, 0.75f);
    EXPECT_EQ(s.fRfLevel, 61.0f);
    EXPECT_EQ(s.nItuStatus, 1);
    EXPECT_FALSE(s.fMpxPower60sLast);
    EXPECT_FALSE(s.pRds);
}

TEST(SummaryReport, EmptySummaryHasEveryKeyWithNulls) {
    CBatchSummary summary;
    summary.alarms.push_back({"Dev \"high\"", 2});
    EXPECT_EQ(CSummaryReport::ToJson(summary),
              "{\"schema\":2,\"seconds\":0.0,\"blocks\":0,\"deviation_max_khz\":null,"
              "\"deviation_exceed_75_pct\":null,\"deviation_relative_pct\":[],"
              "\"deviation_accumulated_pct\":[],\"mpx_power_1s_last_dbr\":null,"
              "\"mpx_power_60s_last_dbr\":null,\"mpx_power_60s_max_dbr\":null,"
              "\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,\"itu_status\":null,"
              "\"rds\":{\"pi\":null,\"ps\":null,\"pty\":null,\"ptyn\":null,\"radiotext\":null,"
              "\"last_radiotext\":null,\"af_mhz\":null,\"country\":null,\"language\":null,"
              "\"date\":null,\"time\":null,\"pin\":null,\"tp\":null,\"ta\":null,"
              "\"music_speech\":null,\"eon_pi\":null,\"eon_ps\":null,\"ber_pct\":null},"
              "\"alarms\":[{\"name\":\"Dev \\\"high\\\"\",\"activations\":2}],"
              "\"result_file\":null,\"log_file\":null,\"dropped\":{\"samples\":0,"
              "\"analysers\":0,\"rds\":0,\"results\":0},\"wall_seconds\":0.0,"
              "\"realtime_factor\":0.0}");
}

TEST(SummaryReport, RoundedValuesAndRdsTextsThroughTheCodeTable) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPS = "A\\B\"C\x01\x91";  // 0x91 is a-diaeresis
    snapshot->m_data.m_strEonPS = "\xE4$";         // y-circumflex, currency sign
    snapshot->m_dBitErrorRate = 1.25;
    summary.pRds = snapshot;
    summary.fMpxPower1sLast = -std::numeric_limits<float>::infinity();  // a silent block
    summary.fDeviationMax = 76.1235f;
    summary.dRealtimeFactor = 920.5593335080464;
    summary.deviationRelative = {0.1f, 12.34567f};
    const std::string json = CSummaryReport::ToJson(summary);
    EXPECT_TRUE(Has(json, "\"ps\":\"A\\\\B\\\"C\\u0001\xC3\xA4\""));
    EXPECT_TRUE(Has(json, "\"eon_ps\":\"\xC5\xB7\xC2\xA4\""));
    EXPECT_TRUE(Has(json, "\"ber_pct\":1.25}"));
    EXPECT_TRUE(Has(json, "\"mpx_power_1s_last_dbr\":null"));
    EXPECT_TRUE(Has(json, "\"deviation_max_khz\":76.12,"));
    EXPECT_TRUE(Has(json, "\"deviation_relative_pct\":[0.1,12.3457]"));
    EXPECT_TRUE(Has(json, "\"realtime_factor\":921.0}"));

    // Data, not screen texts: no padding, lists, booleans and the status of the JSON lines.
    snapshot->m_data.m_strPS = "TAVIK   ";
    snapshot->m_data.m_strLastRadioText = "Now\r" + std::string(60, ' ');
    snapshot->m_data.m_strAF = " 98.2MHz,  101.3MHz,  ";
    snapshot->m_data.m_strPIN = "15.  10:0";
    snapshot->m_data.m_strTPIndicator = "TP";
    snapshot->m_data.m_strTAIndicator = "  ";
    summary.nItuStatus = CMultipathResult::STATUS_CONDITIONS_NOT_MET;
    const std::string data = CSummaryReport::ToJson(summary);
    for (const char* part :
         {"\"ps\":\"TAVIK\",", "\"last_radiotext\":\"Now\",", "\"af_mhz\":[98.2,101.3],",
          "\"pin\":{\"day\":15,\"hour\":10,\"minute\":0},", "\"tp\":true,\"ta\":false,",
          "\"itu_status\":\"STOP\","}) {
        EXPECT_TRUE(Has(data, part));
    }
}

TEST(SummaryReport, TextShowsControlCharactersOfRdsTextsEscaped) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPI = "D313";
    snapshot->m_data.m_strPS = "M\xD1NCHEN ";  // 0xD1 is A-diaeresis
    snapshot->m_data.m_strLastRadioText = "Now\r  ";
    summary.pRds = snapshot;
    summary.fDeviationMax = 76.25f;
    summary.alarms.push_back({"Dev", 3});
    summary.alarms.push_back({"Once", 1});
    std::ostringstream out;
    CSummaryReport::WriteText(summary, out);
    const std::string text = out.str();
    EXPECT_TRUE(Has(text, "Deviation:  maximum 76.25 kHz, at or above 75 kHz -\n"));
    EXPECT_TRUE(Has(text, "RDS:        PI D313, PS \"M\xC3\x84NCHEN \","));
    EXPECT_TRUE(Has(text, "Radio text: \"Now\\r  \"\n"));
    EXPECT_TRUE(Has(text, "Alarm \"Dev\": 3 activations\n"));
    EXPECT_TRUE(Has(text, "Alarm \"Once\": 1 activation\n"));
    EXPECT_FALSE(Has(text, "Result file"));
}

TEST(JsonLine, EveryKeyInOrderWithNullsForWhatWasNotMeasured) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    CMonitorValues values;
    EXPECT_EQ(CJsonLine::Format(CTime(1781517601), 106.7f, values, {}),
              "{\"schema\":2,\"time\":\"2026-06-15T12:00:01+02:00\",\"frequency_mhz\":106.7,"
              "\"deviation_peak_khz\":null,"
              "\"deviation_exceed_75_pct\":null,\"mpx_power_1s_dbr\":null,"
              "\"mpx_power_60s_dbr\":null,\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,"
              "\"itu_status\":null,\"rds\":null,\"alarms\":[],\"dropped\":{\"samples\":0,"
              "\"analysers\":0,\"rds\":0,\"results\":0}}");

    // A multipath result before the first accepted fit has a status but no value.
    values.Take(Result<EResultCode::Multipath>(test::NoFit()));
    // The second's peak is the largest block peak since the last line.
    for (const float peak : {70.0f, 76.126f, 71.0f}) {
        values.Take(Result<EResultCode::DeviationPeak>(peak));
    }
    std::vector<float> accumulated(110, 0.0f);
    accumulated[74] = 0.5f;  // at or above 75 kHz
    values.Take(Result<EResultCode::DeviationAccumulated>(
        std::make_shared<const std::vector<float>>(accumulated)));
    values.Take(Result<EResultCode::Power1s>(2.954f));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "\xAB(date)";  // the RDS dollar sign
    rds->m_data.m_strTPIndicator = "TP";
    rds->m_data.m_strTAIndicator = "  ";
    rds->m_data.m_strLastRadioText = "Hello\r" + std::string(58, ' ');
    rds->m_data.m_bRadioTextComplete = true;
    rds->m_data.m_strAF = "106.7MHz,   98.2MHz,  531.0kHz,  ";
    values.Take(Result<EResultCode::RdsData>(rds));
    values.drops.n = {1, 2, 3, 4};
    const std::string line = CJsonLine::Format(CTime(1781517602), 98.2f, values, {"Dev", "Mpx"});
    EXPECT_EQ(line,
              "{\"schema\":2,\"time\":\"2026-06-15T12:00:02+02:00\",\"frequency_mhz\":98.2,"
              "\"deviation_peak_khz\":76.13,"
              "\"deviation_exceed_75_pct\":0.5,\"mpx_power_1s_dbr\":2.95,"
              "\"mpx_power_60s_dbr\":null,\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,"
              "\"itu_status\":\"LOW-DEV\",\"rds\":{\"pi\":\"D313\",\"ps\":\"$(date)\","
              "\"rt\":\"Hello\",\"tp\":true,\"ta\":false,\"af_mhz\":[106.7,98.2,0.531],"
              "\"ber_pct\":0.0},\"alarms\":[\"Dev\",\"Mpx\"],\"dropped\":{\"samples\":1,"
              "\"analysers\":2,\"rds\":3,\"results\":4}}");
    values.StartSecond();
    EXPECT_FALSE(values.secondPeak);
    EXPECT_EQ(values.deviation, 71.0f);  // the status line's newest value stays
}

}  // namespace
}  // namespace tavik
