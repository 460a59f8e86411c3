#include <gtest/gtest.h>

#include "rds/RDSCodeTables.h"

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

}  // namespace
}  // namespace tavik
