#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "alarms/AlarmItem.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CByteBuilder;

std::vector<std::uint8_t> Record(CAlarmItem& item) {
    CArchive ar;
    item.Serialize(ar);
    return ar.GetBuffer();
}

// A new item, made by the form or read from a file, starts disabled with a reset request.
TEST(AlarmItem, LoadingReadsTheCodedFieldsAndStartsDisabled) {
    CAlarmItem original("Low power", ALARM_SOURCE_MPX_POWER, ALARM_RELATION_LESS, 0.0f,
                        ALARM_ACTION_OUTPUT_1, COleDateTimeSpan(0, 0, 0, 90), ALARM_ACKNOWLEDGE_NO);
    EXPECT_EQ(original.m_bEnabled, 0);
    EXPECT_EQ(original.m_bResetRequested, 1);
    const auto bytes = Record(original);
    CArchive in(bytes.data(), bytes.size());
    CAlarmItem loaded;
    loaded.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    // The bytes are pinned by the document file's test: what loads stores them again.
    EXPECT_EQ(Record(loaded), bytes);
    EXPECT_EQ(loaded.m_nAcknowledge, ALARM_ACKNOWLEDGE_NO);
    EXPECT_EQ(loaded.m_spanDelay.GetTotalSeconds(), 90);
    EXPECT_EQ(loaded.m_bEnabled, 0);
    EXPECT_EQ(loaded.m_bResetRequested, 1);
}

TEST(AlarmItem, ADelayThatIsNoValidSpanIsADamagedFile) {
    const auto withDelay = [](std::int32_t status, double days) {
        return CByteBuilder().I32(0).I32(0).I32(status).F64(days).I32(0).I32(0).F32(1.0f).Str("a");
    };
    const auto error = [](const CByteBuilder& b) -> std::string {
        CArchive in(b.Bytes().data(), b.Bytes().size());
        CAlarmItem item;
        return test::Thrown<CArchiveException>([&] { item.Serialize(in); });
    };
    EXPECT_EQ(error(withDelay(0, 1.0)), "");
    EXPECT_EQ(error(withDelay(0, 0x7FFFFFFF / 86400.0)), "");
    EXPECT_EQ(error(withDelay(1, 0.0)), "alarm delay is not a valid span (at byte 20)");
    EXPECT_EQ(error(withDelay(2, 0.0)), "alarm delay is not a valid span (at byte 20)");
    for (double days : {-1.0 / 86400.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_NE(error(withDelay(0, days)), "") << days;
    }
}

// Every table from one below to one past its end: indices from a damaged or foreign file never
// index past a table.
TEST(AlarmItem, ValueTables) {
    const auto texts = [](const char* (*text)(std::int32_t), int last) {
        std::string all;
        for (int i = -1; i <= last + 1; ++i) {
            all += std::string(text(i)) + "|";
        }
        return all;
    };
    EXPECT_EQ(texts(CAlarmItem::GetSourceText, 2), "|MPX_POWER|DEVIATION|MULTIPATH||");
    EXPECT_EQ(texts(CAlarmItem::GetSourceFormText, 2), "|MPX-POWER|DEVIATION|MULTIPATH||");
    EXPECT_EQ(texts(CAlarmItem::GetUnitText, 2), "|dBr|kHz|%/kHz||");
    EXPECT_EQ(texts(CAlarmItem::GetRelationText, 4), "|<|<=|=|>|>=||");
    EXPECT_EQ(texts(CAlarmItem::GetActionText, 2), "|SET ALARM 1|SET ALARM 2|LOG ONLY||");
    EXPECT_EQ(texts(CAlarmItem::GetAcknowledgeText, 1), "|YES|NO||");
    EXPECT_STREQ(CAlarmItem::GetUnitText(std::numeric_limits<std::int32_t>::min()), "");
}

TEST(AlarmItem, RelationsCompareInSinglePrecision) {
    bool c = false;
    ASSERT_TRUE(CAlarmItem::EvaluateRelation(ALARM_RELATION_EQUAL, 0.0f, 0.0f, c));
    EXPECT_TRUE(c);
    ASSERT_TRUE(CAlarmItem::EvaluateRelation(ALARM_RELATION_EQUAL, 0.0001f, 0.0f, c));
    EXPECT_FALSE(c);
    ASSERT_TRUE(CAlarmItem::EvaluateRelation(ALARM_RELATION_EQUAL, -0.0f, 0.0f, c));
    EXPECT_TRUE(c);
    const struct {
        std::int32_t relation;
        bool below, equal, above;
    } rows[] = {{0, true, false, false},
                {1, true, true, false},
                {2, false, true, false},
                {3, false, false, true},
                {4, false, true, true}};
    for (const auto& row : rows) {
        ASSERT_TRUE(CAlarmItem::EvaluateRelation(row.relation, 74.9f, 75.0f, c));
        EXPECT_EQ(c, row.below) << row.relation;
        ASSERT_TRUE(CAlarmItem::EvaluateRelation(row.relation, 75.0f, 75.0f, c));
        EXPECT_EQ(c, row.equal) << row.relation;
        ASSERT_TRUE(CAlarmItem::EvaluateRelation(row.relation, 75.1f, 75.0f, c));
        EXPECT_EQ(c, row.above) << row.relation;
    }
    c = true;
    EXPECT_FALSE(CAlarmItem::EvaluateRelation(5, 1.0f, 0.0f, c));
    EXPECT_FALSE(CAlarmItem::EvaluateRelation(-1, 1.0f, 0.0f, c));
    EXPECT_TRUE(c);  // untouched
}

}  // namespace
}  // namespace tavik
