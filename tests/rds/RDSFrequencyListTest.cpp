#include <gtest/gtest.h>

#include "rds/RDSFrequencyList.h"

namespace tavik {
namespace {

TEST(RDSFrequencyList, MethodAPairs) {
    CRDSFrequencyList list;
    std::string text;
    list.AddPair(text, 0xE30B);  // 3 frequencies follow; code 11 = 88.6 MHz
    EXPECT_EQ(text, " 88.6MHz,  ");
    list.AddPair(text, 0x0B1D);  // 88.6 again (ignored) and code 29 = 90.4 MHz
    list.AddPair(text, 0x3DCD);  // code 61 = 93.6 MHz and the filler 205
    EXPECT_EQ(text, " 88.6MHz,   90.4MHz,   93.6MHz,  ");
    EXPECT_EQ(list.GetCount(), 3);
    list.AddPair(text, 0xE0CD);  // count 0 with the filler: nothing
    list.AddPair(text, 0xCDCD);  // two fillers: nothing
    list.AddPair(text, 0xE0CE);  // 206 is no frequency
    list.AddPair(text, 0xFA00);  // LF/MF code 0 is no frequency
    list.AddPair(text, 0xCD0B);  // filler first: the pair is not read
    EXPECT_EQ(list.GetCount(), 3);
    list.AddPair(text, 0xFA01);  // LF code 1 = 153 kHz
    list.AddPair(text, 0xFA10);  // MF code 16 = 531 kHz
    list.AddPair(text, 0xFA87);  // MF code 135 = 1602 kHz, four digits
    list.AddPair(text, 0xFA88);  // 136 is beyond the MF range
    EXPECT_EQ(text, " 88.6MHz,   90.4MHz,   93.6MHz,  153.0kHz,  531.0kHz,  1602.0kHz,  ");
    EXPECT_EQ(list.GetCount(), 6);
    EXPECT_DOUBLE_EQ(list.GetAt(4), 531.0);
}

TEST(RDSFrequencyList, EveryFmCodePrintsItsOwnTenth) {
    for (int code = 0; code < 205; ++code) {
        const int tenths = 875 + code;
        char expected[32];
        std::snprintf(expected, sizeof expected, "%3d.%dMHz,  ", tenths / 10, tenths % 10);
        EXPECT_EQ(CRDSFrequencyList::FormatEntry(87.5 + 0.1 * code, false), expected) << code;
    }
    EXPECT_EQ(CRDSFrequencyList::FormatEntry(107.9, false), "107.9MHz,  ");
}

TEST(RDSFrequencyList, FullListIsEmptiedButTheTextKept) {
    CRDSFrequencyList list;
    std::string text;
    for (int code = 0; code < 100; ++code) {
        list.AddFrequency(text, 87.5 + 0.1 * code, false);
    }
    EXPECT_EQ(list.GetCount(), 100);
    EXPECT_EQ(text.size(), 100u * 11u);
    list.AddFrequency(text, 87.5, false);  // listed, but the full list is emptied first
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(text.size(), 101u * 11u);
    EXPECT_EQ(text.substr(0, 11), " 87.5MHz,  ");
    EXPECT_EQ(text.substr(100 * 11), " 87.5MHz,  ");
    list.AddFrequency(text, 0.0, false);   // zero is never added
    list.AddFrequency(text, 87.5, false);  // now a repeat
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(text.size(), 101u * 11u);
}

}  // namespace
}  // namespace tavik
