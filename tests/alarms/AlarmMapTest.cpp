#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "alarms/AlarmMap.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CByteBuilder;

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

}  // namespace
}  // namespace tavik
