#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alarms/AlarmEvaluation.h"
#include "alarms/AlarmItem.h"
#include "alarms/AlarmMap.h"
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
    EXPECT_EQ(texts(CAlarmItem::GetSourceText, 10),
              "|MPX_POWER|DEVIATION|MULTIPATH|RFLEVEL|CN|RDS_LOST|PI_CHANGE|PS_CHANGE|PILOT|"
              "RDS_INJECTION|SILENCE||");
    EXPECT_EQ(texts(CAlarmItem::GetSourceFormText, 10),
              "|MPX-POWER|DEVIATION|MULTIPATH|RF-LEVEL|C/N|RDS-LOST|PI-CHANGE|PS-CHANGE|PILOT|"
              "RDS-INJECTION|SILENCE||");
    EXPECT_EQ(texts(CAlarmItem::GetUnitText, 10), "|dBr|kHz|%/kHz|dBuV|dB|s|||kHz|kHz|s||");
    EXPECT_EQ(texts(CAlarmItem::GetRelationText, 4), "|<|<=|=|>|>=||");
    EXPECT_EQ(texts(CAlarmItem::GetActionText, 2), "|SET ALARM 1|SET ALARM 2|LOG ONLY||");
    EXPECT_EQ(texts(CAlarmItem::GetAcknowledgeText, 1), "|YES|NO||");
    EXPECT_STREQ(CAlarmItem::GetUnitText(std::numeric_limits<std::int32_t>::min()), "");
}

TEST(AlarmItem, RelationsCompareInSinglePrecision) {
    // Each relation on 74.9, 75.0 and 75.1 against 75: '1' where it holds.
    const char* const rows[] = {"100", "110", "010", "001", "011"};
    bool c = false;
    for (int relation = 0; relation < 5; ++relation) {
        std::string held;
        for (const float value : {74.9f, 75.0f, 75.1f}) {
            ASSERT_TRUE(CAlarmItem::EvaluateRelation(relation, value, 75.0f, c));
            held += c ? '1' : '0';
        }
        EXPECT_EQ(held, rows[relation]) << relation;
    }
    std::string equal;
    for (const float value : {0.0f, 0.0001f, -0.0f}) {
        ASSERT_TRUE(CAlarmItem::EvaluateRelation(ALARM_RELATION_EQUAL, value, 0.0f, c));
        equal += c ? '1' : '0';
    }
    EXPECT_EQ(equal, "101");
    c = true;
    EXPECT_FALSE(CAlarmItem::EvaluateRelation(5, 1.0f, 0.0f, c));
    EXPECT_FALSE(CAlarmItem::EvaluateRelation(-1, 1.0f, 0.0f, c));
    EXPECT_TRUE(c);  // untouched
}

// Checks of one enabled alarm (> 75, its state carried from check to check): the delay's
// boundary, a cleared condition with either acknowledge setting, a missing value, a reset.
TEST(AlarmEvaluation, DelayBoundaryAcknowledgeAndReset) {
    struct Step {
        int second;
        std::optional<float> value;
        const char* state;  // after the check: "-", "pending" or "active"
        EAlarmAction action;
    };
    const auto run = [](CAlarmItem item, const std::vector<Step>& steps) {
        item.m_bResetRequested = 0;
        item.m_bEnabled = 1;
        const CTime start(1796466607);
        for (const Step& step : steps) {
            const CAlarmDecision d =
                EvaluateAlarm(item, step.value, start + CTimeSpan(step.second));
            d.state.ApplyTo(item);
            const char* state = item.m_bActive ? "active" : item.m_bPending ? "pending" : "-";
            EXPECT_STREQ(state, step.state) << "second " << step.second;
            EXPECT_EQ(d.action, step.action) << "second " << step.second;
        }
        return item;
    };
    using enum EAlarmAction;
    const CAlarmItem delayed("Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 75.0f, 0,
                             COleDateTimeSpan(0, 0, 0, 5), ALARM_ACKNOWLEDGE_NO);
    const CAlarmItem held = run(delayed, {{0, 76.0f, "pending", None},
                                          {5, 76.0f, "pending", None},  // not more than 5 s yet
                                          {6, 76.0f, "active", Activate},
                                          {7, std::nullopt, "active", None},  // no verdict
                                          {8, 75.0f, "-", Deactivate},        // 75 > 75 fails
                                          {9, 80.0f, "pending", None},
                                          {10, 70.0f, "-", None},  // restarts the delay
                                          {11, 80.0f, "pending", None},
                                          {17, 80.0f, "active", Activate}});
    EXPECT_FLOAT_EQ(held.m_fTriggerValue, 80.0f);

    CAlarmItem asking("Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER, 75.0f, 0,
                      COleDateTimeSpan(), ALARM_ACKNOWLEDGE_YES);
    asking = run(asking, {{0, 76.0f, "active", Activate}, {1, 70.0f, "active", None}});
    asking.m_bAcknowledged = 1;  // the user answered "No"
    asking = run(asking, {{2, 70.0f, "-", Deactivate}});

    CAlarmItem reset = run(asking, {{3, 76.0f, "active", Activate}});
    reset.m_bResetRequested = 1;
    const CAlarmDecision d = EvaluateAlarm(reset, 76.0f, CTime(1796466620));
    EXPECT_EQ(d.action, EAlarmAction::Deactivate);
    EXPECT_EQ(d.state.bEnabled, 0);
    EXPECT_EQ(d.state.bActive, 0);
}

// Counts live items, so that replaced and removed items are seen to be destroyed.
int g_nLive = 0;
class CCountedItem : public CAlarmItem {
public:
    explicit CCountedItem(std::string name)
        : CAlarmItem(std::move(name), 1, 3, 75.0f, 0, COleDateTimeSpan(), 1) {
        ++g_nLive;
    }
    ~CCountedItem() override { --g_nLive; }
};

std::vector<std::string> Keys(const CAlarmMap& map) {
    std::vector<std::string> keys;
    for (const auto& entry : map) {
        keys.push_back(entry.key);
    }
    return keys;
}

TEST(AlarmMap, KeepsFirstInsertionOrderAndOwnsItsItems) {
    {
        CAlarmMap map;
        for (const char* name : {"zeta", "Alpha", "mid", "alpha"}) {
            map.SetAt(name, std::make_unique<CCountedItem>(name));
        }
        EXPECT_EQ(Keys(map), (std::vector<std::string>{"zeta", "Alpha", "mid", "alpha"}));
        EXPECT_EQ(g_nLive, 4);

        // Replacing destroys the old item and keeps the place.
        auto replacement = std::make_unique<CCountedItem>("Alpha");
        CAlarmItem* raw = replacement.get();
        map.SetAt("Alpha", std::move(replacement));
        EXPECT_EQ(g_nLive, 4);
        EXPECT_EQ(map.Lookup("Alpha"), raw);
        EXPECT_EQ(Keys(map), (std::vector<std::string>{"zeta", "Alpha", "mid", "alpha"}));

        EXPECT_TRUE(map.RemoveKey("zeta"));
        EXPECT_FALSE(map.RemoveKey("zeta"));
        EXPECT_FALSE(map.RemoveKey("ALPHA"));  // keys are case-sensitive
        EXPECT_EQ(g_nLive, 3);
        EXPECT_EQ(Keys(map), (std::vector<std::string>{"Alpha", "mid", "alpha"}));
        EXPECT_EQ(map.Lookup("mid")->m_strName, "mid");  // the index followed the gap
        EXPECT_EQ(map.Lookup("alpha")->m_strName, "alpha");
        EXPECT_EQ(map.Lookup("zeta"), nullptr);

        map.SetAt("zeta", std::make_unique<CCountedItem>("zeta"));
        EXPECT_EQ(Keys(map), (std::vector<std::string>{"Alpha", "mid", "alpha", "zeta"}));
        map.RemoveAll();
        EXPECT_EQ(g_nLive, 0);
        EXPECT_TRUE(map.IsEmpty());
        map.SetAt("left", std::make_unique<CCountedItem>("left"));
    }
    EXPECT_EQ(g_nLive, 0);  // the map's destruction destroys what it holds
}

// The bytes of count, keys, class tags and records are pinned by the document file's test.
TEST(AlarmMap, SerialisesInOrderAndLoadsBackToTheSameBytes) {
    CAlarmMap map;
    map.SetAt("b", std::make_unique<CAlarmItem>("b", 0, 1, 1.0f, 0, COleDateTimeSpan(), 0));
    map.SetAt("a", std::make_unique<CAlarmItem>("a", 2, 2, 2.0f, 1, COleDateTimeSpan(), 1));
    map.SetAt("c", std::make_unique<CAlarmItem>("c", 1, 4, 3.0f, 2, COleDateTimeSpan(), 0));
    CArchive ar;
    map.Serialize(ar);
    EXPECT_EQ(ar.GetBuffer().size(), 2u + 3u * 36u + 16u + 2u * 2u);  // tag, then references

    CArchive in(ar.GetBuffer().data(), ar.GetBuffer().size());
    CAlarmMap loaded;
    loaded.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(Keys(loaded), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(loaded.Lookup("c")->m_nRelation, 4);
    CArchive again;
    loaded.Serialize(again);
    EXPECT_EQ(again.GetBuffer(), ar.GetBuffer());
}

TEST(AlarmMap, ACountBeyondTheFileFailsBeforeReading) {
    // 2 entries need at least 72 bytes; 71 are there.
    std::vector<std::uint8_t> bytes = CByteBuilder().U16(2).Bytes();
    bytes.resize(2 + 71, 0);
    CArchive in(bytes.data(), bytes.size());
    CAlarmMap map;
    EXPECT_EQ(test::Thrown<CArchiveException>([&] { map.Serialize(in); }),
              "the alarm count 2 is more than the file can hold (at byte 2)");
    const auto huge = CByteBuilder().U16(0xFFFF).U32(0xFFFFFFF0).Bytes();
    CArchive in2(huge.data(), huge.size());
    EXPECT_THROW(map.Serialize(in2), CArchiveException);
    EXPECT_TRUE(map.IsEmpty());
}

// A later build's source (11) is skipped, the items around it load; the parts of a store
// split the set by where the file keeps each source.
TEST(AlarmMap, LoadingSkipsAnUnknownSourceAndStoresSplitByPart) {
    CAlarmMap map;
    map.SetAt("a", std::make_unique<CAlarmItem>("a", ALARM_SOURCE_DEVIATION, 3, 75.0f, 0,
                                                COleDateTimeSpan(), 0));
    map.SetAt("new", std::make_unique<CAlarmItem>("new", ALARM_SOURCE_COUNT, 3, 1.0f, 0,
                                                  COleDateTimeSpan(), 0));
    map.SetAt("rf", std::make_unique<CAlarmItem>("rf", ALARM_SOURCE_RF_LEVEL, 0, 20.0f, 0,
                                                 COleDateTimeSpan(), 0));
    EXPECT_TRUE(map.HasApart());
    const auto keys = [](const CAlarmMap& m, CAlarmMap::EPart part) {
        CArchive ar;
        m.Store(ar, part);
        CArchive in(ar.GetBuffer().data(), ar.GetBuffer().size());
        CAlarmMap loaded;
        loaded.Load(in);
        EXPECT_EQ(in.GetRemaining(), 0u);
        return Keys(loaded);
    };
    EXPECT_EQ(keys(map, CAlarmMap::EPart::All), (std::vector<std::string>{"a", "rf"}));
    EXPECT_EQ(keys(map, CAlarmMap::EPart::Common), (std::vector<std::string>{"a"}));
    // "new" is stored apart too (a later source), and skipped again on loading.
    EXPECT_EQ(keys(map, CAlarmMap::EPart::Apart), (std::vector<std::string>{"rf"}));
    map.RemoveKey("rf");
    map.RemoveKey("new");
    EXPECT_FALSE(map.HasApart());
}

// A PI or PS change fires on a nonzero value whatever relation and threshold say, and clears
// (acknowledge NO) at the next check without a change.
TEST(AlarmEvaluation, AChangeSourceFiresOnAChangeAlone) {
    CAlarmItem item("PI", ALARM_SOURCE_PI_CHANGE, ALARM_RELATION_LESS, 0.0f, ALARM_ACTION_LOG_ONLY,
                    COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO);
    item.m_bEnabled = 1;
    item.m_bResetRequested = 0;
    const CTime now(1796466620);
    EXPECT_EQ(EvaluateAlarm(item, 0.0f, now).action, EAlarmAction::None);
    const CAlarmDecision on = EvaluateAlarm(item, 1.0f, now);
    EXPECT_EQ(on.action, EAlarmAction::Activate);
    on.state.ApplyTo(item);
    EXPECT_EQ(EvaluateAlarm(item, 0.0f, now).action, EAlarmAction::Deactivate);
    item.m_nRelation = 99;  // unused for a change: still evaluated
    EXPECT_EQ(EvaluateAlarm(item, 1.0f, now).action, EAlarmAction::None);  // still active
}

}  // namespace
}  // namespace tavik
