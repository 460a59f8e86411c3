#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "platform/TextParse.h"

namespace tavik {
namespace {

TEST(TextParse, TakesTheWholeTextOrNothing) {
    EXPECT_EQ(ParseNumber("76.5"), 76.5);
    EXPECT_EQ(ParseNumber("-1e-5"), -1e-5);
    for (const char* bad : {"", " 1", "1 ", "1,5", "+1", "nan", "inf", "1e999", "0x10"}) {
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    }
    EXPECT_EQ(ParseInteger("-24"), -24);
    EXPECT_EQ(ParseInteger("12aB", 16), 0x12AB);
    for (const char* bad : {"", "3s", "1.0", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInteger(bad)) << bad;
    }
}

TEST(TextParse, UtcTimesOfTheCalendarOnly) {
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2024-02-29T23:59:30"), 1709251170);
    EXPECT_EQ(ParseUtcTime("1990-01-01T00:00:00"), 631152000);
    EXPECT_EQ(ParseUtcTime("2000-02-29T00:00:00"), 951782400);  // a leap year by 400
    // With "Z" or an offset from UTC: the same instant.
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00Z"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T12:00:00+02:00"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T06:30:00-03:30"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00-00:00"), 1781517600);
    for (const char* bad : {"2026-02-29T10:00:00", "2100-02-28T00:00:00", "1989-12-31T23:59:59",
                            "2026-06-15 10:00:00", "2026-06-15T24:00:00", "2026-6-15T10:00:00",
                            "2026-06-15T10:00:00z", "2026-04-31T10:00:00", "2026-06-15T10:00:00+2",
                            "2026-06-15T10:00:00+0200", "2026-06-15T10:00:00+15:00",
                            "2026-06-15T10:00:00 02:00", "2026-06-15T10:00:00+02:60"}) {
        EXPECT_FALSE(ParseUtcTime(bad)) << bad;
    }
}

TEST(TextParse, NumbersForPeopleAndExactFloats) {
    EXPECT_EQ(FormatNumber(76.123456, 2), "76.12");
    EXPECT_EQ(FormatNumber(920.5593335080464, 1), "920.6");
    EXPECT_EQ(FormatNumber(75.0, 2), "75");
    EXPECT_EQ(FormatNumber(0.5, 3), "0.5");
    EXPECT_EQ(FormatNumber(-0.001, 2), "0");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), 2), "-inf");
    EXPECT_EQ(FormatFloat(106.7f), "106.7");
    EXPECT_EQ(FormatFloat(0.1f), "0.1");
    EXPECT_EQ(static_cast<float>(*ParseNumber(FormatFloat(1.0f / 3.0f))), 1.0f / 3.0f);
}

TEST(TextParse, IsoLocalTimeCarriesItsOffset) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(FormatIsoLocalTime(1781517600), "2026-06-15T12:00:00+02:00");
    EXPECT_EQ(FormatIsoLocalTime(1767221999), "2025-12-31T23:59:59+01:00");
    setenv("TZ", "America/St_Johns", 1);
    tzset();
    EXPECT_EQ(FormatIsoLocalTime(1781517600), "2026-06-15T07:30:00-02:30");
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
}

}  // namespace
}  // namespace tavik
