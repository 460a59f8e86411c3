#include <gtest/gtest.h>

#include "rds/RDSClockTime.h"

namespace tavik {
namespace {

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

}  // namespace
}  // namespace tavik
