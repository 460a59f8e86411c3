#include "rds/RDSClockTime.h"

#include <cstdio>

namespace tavik {

namespace {

int FloorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

int FloorMod(int a, int b) {
    return a - b * FloorDiv(a, b);
}

}  // namespace

void CRDSClockTime::Decode(std::uint16_t b, std::uint16_t c, std::uint16_t d, std::string& date,
                           std::string& time) {
    const int mjd = ((b & 0x02) << 15) | ((b & 0x01) << 15) | (c >> 1);
    const int utcHour = ((c & 0x01) << 4) | (d >> 12);
    const int utcMinute = (d >> 6) & 0x3F;
    const int offset = d & 0x1F;
    const bool negative = (d >> 5) & 1;
    date = FormatDate(mjd);
    time = FormatLocalTime(utcHour, utcMinute, offset, negative);
}

std::string CRDSClockTime::FormatDate(int mjd) {
    const int yearPrime = static_cast<int>((mjd - 15078.2) / 365.25);
    const int yearDays = static_cast<int>(yearPrime * 365.25);
    const int monthPrime = static_cast<int>((mjd - 14956.1 - yearDays) / 30.6001);
    const int day = mjd - 14956 - yearDays - static_cast<int>(monthPrime * 30.6001);
    const int k = (monthPrime == 14 || monthPrime == 15) ? 1 : 0;
    const int year = yearPrime + k;  // years since 1900
    const int month = monthPrime - 1 - 12 * k;
    char text[48];
    // The year is written in full; from 2000 on a blank follows it.
    std::snprintf(text, sizeof text, year < 100 ? "%d. %d. %d" : "%d. %d. %d ", day, month,
                  1900 + year);
    return text;
}

std::string CRDSClockTime::FormatLocalTime(int utcHour, int utcMinute, int offsetHalfHours,
                                           bool negative) {
    const int offsetHours = offsetHalfHours / 2;
    const int offsetMinutes = (offsetHalfHours % 2) * 30;
    const int sign = negative ? -1 : 1;
    const int minutes = utcMinute + sign * offsetMinutes;
    const int hour = FloorMod(utcHour + sign * offsetHours + FloorDiv(minutes, 60), 24);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, FloorMod(minutes, 60));
    return text;
}

}  // namespace tavik
