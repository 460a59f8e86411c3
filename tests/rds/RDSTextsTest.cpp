// The texts the RDS view shows: code tables, characters, clock time, frequency lists.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "rds/RDSCharacterSet.h"
#include "rds/RDSClockTime.h"
#include "rds/RDSCodeTables.h"
#include "rds/RDSFrequencyList.h"

namespace tavik {
namespace {

TEST(RDSCodeTables, ProgrammeTypesUseAllFiveBits) {
    EXPECT_EQ(CRDSCodeTables::GetPTYName(0), "None");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(1), "News");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(15), "Other Music");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(16), "Weather");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(23), "Leisure & Hobby");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(30), "Alarm Test");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(31), "Alarm - Alarm!");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(32), "-None-");
    EXPECT_EQ(CRDSCodeTables::GetPTYName(-1), "-None-");
}

TEST(RDSCodeTables, AreaCoverage) {
    EXPECT_EQ(CRDSCodeTables::GetAreaCoverageText(0), "Local programme");
    EXPECT_EQ(CRDSCodeTables::GetAreaCoverageText(1), "International programme");
    EXPECT_EQ(CRDSCodeTables::GetAreaCoverageText(2), "National programme");
    EXPECT_EQ(CRDSCodeTables::GetAreaCoverageText(3), "Supra-regional programme");
    for (int code = 4; code < 16; ++code) {
        EXPECT_EQ(CRDSCodeTables::GetAreaCoverageText(code), "Regional programme");
    }
}

TEST(RDSCodeTables, LanguagesByResourceNumber) {
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(0), "Unknown");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(8), "German");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(18), "Gealic");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(43), "Walloon");
    // 30044-30049 hold a single blank; from 50 on there is no resource.
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(44), " ");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(49), " ");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(50), "");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(60), "");
    EXPECT_EQ(CRDSCodeTables::GetLanguageName(255), "");
    EXPECT_EQ(CRDSCodeTables::LoadString(30009), "English");
}

TEST(RDSCodeTables, CountriesByPICodeAndExtendedCountryCode) {
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0xD, 0xE0), "Germany");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0xD, 0xE1), "Libya");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x1, 0xE0), "Germany");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0xC, 0xE1), "United Kingdom");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x8, 0xE3), "Netherlands");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0xF, 0xE4), "Bosnia Herzegovina");
    // Blank entries hold one blank; E0 has no entry for country code 0.
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0xE, 0xE0), " ");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x0, 0xE1), " ");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x0, 0xE4), " ");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x0, 0xE0), "");
    // ECC A0 is resource 40000 + cc; E5 starts beyond 40479.
    EXPECT_EQ(CRDSCodeTables::CountryResourceId(0x5, 0xA0), 40005);
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x5, 0xA0), "");
    EXPECT_EQ(CRDSCodeTables::GetCountryName(0x1, 0xE5), "");
    EXPECT_EQ(CRDSCodeTables::CountryResourceId(0xF, 0xE4), 40479);
    EXPECT_EQ(CRDSCodeTables::LoadString(40401), "Germany");
    EXPECT_EQ(CRDSCodeTables::LoadString(40400), "");
    EXPECT_EQ(CRDSCodeTables::LoadString(40480), "");
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

TEST(RDSClockTime, DatesFromModifiedJulianDays) {
    EXPECT_EQ(CRDSClockTime::FormatDate(52978), "5. 12. 2003 ");
    EXPECT_EQ(CRDSClockTime::FormatDate(51261), "24. 3. 1999");
    EXPECT_EQ(CRDSClockTime::FormatDate(51543), "31. 12. 1999");
    EXPECT_EQ(CRDSClockTime::FormatDate(51544), "1. 1. 2000 ");
    EXPECT_EQ(CRDSClockTime::FormatDate(51603), "29. 2. 2000 ");
    EXPECT_EQ(CRDSClockTime::FormatDate(60000), "25. 2. 2023 ");
}

TEST(RDSClockTime, LocalTimeCarriesMinutesAndWrapsHours) {
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(0, 15, 2, true), "23:15");
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(0, 15, 1, true), "23:45");
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(23, 45, 3, false), "01:15");
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(12, 0, 0, false), "12:00");
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(5, 7, 2, false), "06:07");
    EXPECT_EQ(CRDSClockTime::FormatLocalTime(1, 0, 31, true), "09:30");  // minus 15.5 h
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
