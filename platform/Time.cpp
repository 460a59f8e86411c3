#include "platform/Time.h"

#include <locale.h>

#include <cmath>

namespace tavik {

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    m_time = std::mktime(&tm);
}

std::tm CTime::Local() const {
    std::tm tm{};
    localtime_r(&m_time, &tm);
    return tm;
}

std::string CTime::Format(const char* format) const {
    // The C locale keeps day and month names English even after a GUI toolkit set the locale.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::tm tm = Local();
    char buffer[256];
    const std::size_t n = strftime_l(buffer, sizeof buffer, format, &tm, cLocale);
    return std::string(buffer, n);
}

std::int64_t COleDateTimeSpan::GetTotalSeconds() const {
    return static_cast<std::int64_t>(std::llround(m_span * 86400.0));
}

COleDateTime COleDateTime::FromTime(CTime t) {
    // Days from 1899-12-30 to 1970-01-01 are 25569; local wall time as if it were UTC.
    const std::time_t raw = t.GetTime();
    std::tm tm{};
    localtime_r(&raw, &tm);
    const std::time_t wall = timegm(&tm);
    return COleDateTime(25569.0 + static_cast<double>(wall) / 86400.0);
}

CTime CSystemClock::Now() const {
    return CTime(std::time(nullptr));
}

const CSystemClock& CSystemClock::Instance() {
    static const CSystemClock clock;
    return clock;
}

}  // namespace tavik
