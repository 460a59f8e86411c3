#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

#include "app/JsonWriter.h"
#include "app/SummaryReport.h"

namespace tavik {
namespace {

TEST(JsonWriter, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(CJsonWriter::Escape("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(CJsonWriter::Escape("\b\f\n\r\t"), "\"\\b\\f\\n\\r\\t\"");
    EXPECT_EQ(CJsonWriter::Escape(std::string("\x00\x01\x1f\x7f", 4)),
              "\"\\u0000\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(CJsonWriter::Escape("/ <>&'"), "\"/ <>&'\"");
}

TEST(JsonWriter, KeepsUtf8AndEscapesOtherHighBytes) {
    EXPECT_EQ(CJsonWriter::Escape("\xC3\xA4\xE2\x82\xAC\xF0\x9F\x93\xBB"),
              "\"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x93\xBB\"");
    // A lone RDS character byte, a stray continuation, an overlong form, a surrogate, a cut
    // sequence at the end.
    EXPECT_EQ(CJsonWriter::Escape("\x91"), "\"\\u0091\"");
    EXPECT_EQ(CJsonWriter::Escape("a\xE4z"), "\"a\\u00e4z\"");
    EXPECT_EQ(CJsonWriter::Escape("\xC0\xAF"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(CJsonWriter::Escape("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
    EXPECT_EQ(CJsonWriter::Escape("\xE2\x82"), "\"\\u00e2\\u0082\"");
}

TEST(JsonWriter, PlacesSeparatorsAndWritesMissingValuesAsNull) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("a").Int(std::int64_t{-3});
    json.Key("b").BeginArray();
    json.Number(0.5);
    json.Number(std::numeric_limits<double>::quiet_NaN());
    json.Number(-std::numeric_limits<float>::infinity());
    json.Number(std::optional<float>());
    json.Int(std::optional<int>(7));
    json.BeginObject();
    json.EndObject();
    json.EndArray();
    json.Key("c").StringOrNull("");
    json.Key("d").Bool(true);
    json.Key("e").Numbers({1.0f, 0.1f, 1e-7f});
    json.EndObject();
    EXPECT_EQ(json.GetText(),
              "{\"a\":-3,\"b\":[0.5,null,null,null,7,{}],\"c\":null,\"d\":true,"
              "\"e\":[1,0.1,1e-07]}");
}

TEST(SummaryReport, EmptySummaryHasEveryKeyWithNulls) {
    CBatchSummary summary;
    summary.alarms.push_back({"Dev \"high\"", 2});
    EXPECT_EQ(CSummaryReport::ToJson(summary),
              "{\"seconds\":0,\"blocks\":0,\"deviation_max_khz\":null,"
              "\"deviation_exceed_75_pct\":null,\"deviation_relative_pct\":[],"
              "\"deviation_accumulated_pct\":[],\"mpx_power_1s_last_dbr\":null,"
              "\"mpx_power_60s_last_dbr\":null,\"mpx_power_60s_max_dbr\":null,"
              "\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,\"itu_status\":null,"
              "\"rds\":{\"pi\":null,\"ps\":null,\"pty\":null,\"ptyn\":null,\"radiotext\":null,"
              "\"last_radiotext\":null,\"af\":null,\"country\":null,\"language\":null,"
              "\"date\":null,\"time\":null,\"pin\":null,\"tp\":null,\"ta\":null,"
              "\"music_speech\":null,\"eon_pi\":null,\"eon_ps\":null,\"ber_pct\":null},"
              "\"alarms\":[{\"name\":\"Dev \\\"high\\\"\",\"activations\":2}],"
              "\"result_file\":null,\"log_file\":null,\"wall_seconds\":0,"
              "\"realtime_factor\":0}");
}

TEST(SummaryReport, RdsTextsAreWrittenThroughTheRdsCodeTable) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPS = "A\\B\"C\x01\x91";  // 0x91 is a-diaeresis
    snapshot->m_data.m_strEonPS = "\xE4$";         // y-circumflex, currency sign
    snapshot->m_data.m_strTPIndicator = "  ";
    snapshot->m_dBitErrorRate = 1.25;
    summary.pRds = snapshot;
    summary.fMpxPower1sLast = -std::numeric_limits<float>::infinity();
    const std::string json = CSummaryReport::ToJson(summary);
    EXPECT_NE(json.find("\"ps\":\"A\\\\B\\\"C\\u0001\xC3\xA4\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"eon_ps\":\"\xC5\xB7\xC2\xA4\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"tp\":\"  \""), std::string::npos);
    EXPECT_NE(json.find("\"ber_pct\":1.25}"), std::string::npos);
    EXPECT_NE(json.find("\"mpx_power_1s_last_dbr\":null"), std::string::npos);
    // The radio text of a fresh record: 64 blanks.
    EXPECT_NE(json.find("\"radiotext\":\"" + std::string(64, ' ') + "\""), std::string::npos);
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

TEST(SummaryReport, TextShowsControlCharactersOfRdsTextsEscaped) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPI = "D313";
    snapshot->m_data.m_strPS = "M\xD1NCHEN ";  // 0xD1 is A-diaeresis
    snapshot->m_data.m_strLastRadioText = "Now\r  ";
    summary.pRds = snapshot;
    summary.fDeviationMax = 76.25f;
    summary.alarms.push_back({"Dev", 3});
    std::ostringstream out;
    CSummaryReport::WriteText(summary, out);
    const std::string text = out.str();
    EXPECT_NE(text.find("Deviation:  maximum 76.25 kHz, at or above 75 kHz -\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("RDS:        PI D313, PS \"M\xC3\x84NCHEN \","), std::string::npos) << text;
    EXPECT_NE(text.find("Radio text: \"Now\\r  \"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Alarm \"Dev\": 3 activations\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Result file"), std::string::npos);
}

}  // namespace
}  // namespace tavik
