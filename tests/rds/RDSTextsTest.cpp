// The texts the RDS view shows: code tables, characters, clock time, frequency lists.

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>

#include "rds/RDSCharacterSet.h"
#include "rds/RDSClockTime.h"
#include "rds/RDSCodeTables.h"
#include "rds/RDSFrequencyList.h"

namespace tavik {
namespace {

// What `text` gives for each of `codes`, each followed by "|".
template <class F>
std::string Texts(std::initializer_list<int> codes, F text) {
    std::string all;
    for (const int code : codes) {
        all += std::string(text(code)) + "|";
    }
    return all;
}

TEST(RDSCodeTables, NamesByCode) {
    EXPECT_EQ(Texts({0, 1, 15, 16, 23, 30, 31, 32, -1}, CRDSCodeTables::GetPTYName),
              "None|News|Other Music|Weather|Leisure & Hobby|Alarm Test|Alarm - Alarm!|-None-|"
              "-None-|");
    EXPECT_EQ(Texts({0, 1, 2, 3, 4, 15}, CRDSCodeTables::GetAreaCoverageText),
              "Local programme|International programme|National programme|Supra-regional "
              "programme|Regional programme|Regional programme|");
    // 30044-30049 hold a single blank; from 50 on there is no resource.
    EXPECT_EQ(Texts({0, 8, 18, 43, 44, 49, 50, 60, 255}, CRDSCodeTables::GetLanguageName),
              "Unknown|German|Gealic|Walloon| | ||||");
    // Country code and ECC: blank entries hold one blank; E0 has no entry for country code 0;
    // ECC A0 is resource 40000 + cc; E5 starts beyond 40479.
    const auto country = [](int c) { return CRDSCodeTables::GetCountryName(c >> 8, c & 0xFF); };
    EXPECT_EQ(
        Texts({0xDE0, 0xDE1, 0x1E0, 0xCE1, 0x8E3, 0xFE4, 0xEE0, 0x0E1, 0x0E4, 0x0E0, 0x5A0, 0x1E5},
              country),
        "Germany|Libya|Germany|United Kingdom|Netherlands|Bosnia Herzegovina| | | ||||");
    EXPECT_EQ(CRDSCodeTables::CountryResourceId(0x5, 0xA0), 40005);
    EXPECT_EQ(CRDSCodeTables::CountryResourceId(0xF, 0xE4), 40479);
    EXPECT_EQ(Texts({30009, 40401, 40400, 40480}, CRDSCodeTables::LoadString),
              "English|Germany|||");
}

TEST(RDSCharacterSet, EveryByteIsOneCharacterOfTheBasicCodeTable) {
    const std::pair<std::uint8_t, char32_t> cases[] = {
        {0x0D, 0x000D},  // control bytes stay themselves (the radio text's end)
        {0x20, 0x0020}, {0x24, 0x00A4}, {0x41, 0x0041}, {0x5E, 0x2015}, {0x60, 0x2016},
        {0x7E, 0x00AF}, {0x7F, 0x007F}, {0x80, 0x00E1}, {0x8D, 0x00DF}, {0x91, 0x00E4},
        {0x9D, 0x011F}, {0xA4, 0x011E}, {0xA9, 0x20AC}, {0xAB, 0x0024}, {0xAF, 0x2193},
        {0xB8, 0x00B5}, {0xC3, 0x00C8}, {0xCE, 0x00D0}, {0xD1, 0x00C4}, {0xD7, 0x00D6},
        {0xDE, 0x0111}, {0xE4, 0x0177}, {0xEF, 0x00F0}, {0xF4, 0x0175}, {0xFE, 0x0167},
        {0xFF, 0xFFFD},
    };
    for (const auto& [byte, expected] : cases) {
        EXPECT_EQ(CRDSCharacterSet::ToUnicode(byte), expected) << int{byte};
    }
    // No two bytes of the table share a character.
    std::set<char32_t> seen;
    for (int byte = 0x20; byte <= 0xFE; ++byte) {
        EXPECT_TRUE(
            seen.insert(CRDSCharacterSet::ToUnicode(static_cast<std::uint8_t>(byte))).second)
            << byte;
    }
    // UTF-8 bytes are not taken as UTF-8: C3 A4 are two characters, E4 is not "ä".
    EXPECT_EQ(CRDSCharacterSet::ToUtf8("M\xC3\xA4NCHEN"), "M\xC3\x88\xC4\x9ENCHEN");
    EXPECT_EQ(CRDSCharacterSet::ToUtf8("M\xD1NCHEN\r"), "M\xC3\x84NCHEN\r");
    EXPECT_EQ(CRDSCharacterSet::ToUtf8("\xE4\xA9\x5E"), "\xC5\xB7\xE2\x82\xAC\xE2\x80\x95");
}

TEST(RDSClockTime, DatesAndLocalTimes) {
    EXPECT_EQ(Texts({52978, 51261, 51543, 51544, 51603, 60000}, CRDSClockTime::FormatDate),
              "5. 12. 2003 |24. 3. 1999|31. 12. 1999|1. 1. 2000 |29. 2. 2000 |25. 2. 2023 |");
    // UTC hour, minute, offset in half hours, negative: minutes carry, hours wrap.
    const std::tuple<int, int, int, bool, const char*> times[] = {
        {0, 15, 2, true, "23:15"},  {0, 15, 1, true, "23:45"}, {23, 45, 3, false, "01:15"},
        {12, 0, 0, false, "12:00"}, {5, 7, 2, false, "06:07"}, {1, 0, 31, true, "09:30"}};
    for (const auto& [hour, minute, offset, negative, text] : times) {
        EXPECT_EQ(CRDSClockTime::FormatLocalTime(hour, minute, offset, negative), text) << text;
    }
}

TEST(RDSClockTime, GroupFieldsWithTheSignBit) {
    std::string date;
    std::string time;
    // MJD 52978 = 0xCEF2: bit 15 in B bit 0, bits 14-0 in C bits 15-1; UTC 23:45 (hour bit 4
    // in C bit 0), offset +3 half hours. The sign bit (D5) is decoded in RDSDecoderGroups.
    CRDSClockTime::Decode(0x4001, 0x9DE5, 0x7B43, date, time);
    EXPECT_EQ(date, "5. 12. 2003 ");
    EXPECT_EQ(time, "01:15");
}

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
