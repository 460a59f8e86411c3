#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tavik {

// Duration in whole seconds.
class CTimeSpan {
public:
    constexpr CTimeSpan() = default;
    constexpr explicit CTimeSpan(std::int64_t seconds) : m_nSeconds(seconds) {}
    constexpr CTimeSpan(std::int64_t days, int hours, int minutes, int seconds)
        : m_nSeconds(((days * 24 + hours) * 60 + minutes) * 60 + seconds) {}

    constexpr std::int64_t GetTotalSeconds() const { return m_nSeconds; }
    constexpr std::int64_t GetDays() const { return m_nSeconds / 86400; }
    constexpr int GetHours() const { return static_cast<int>(m_nSeconds / 3600 % 24); }
    constexpr int GetMinutes() const { return static_cast<int>(m_nSeconds / 60 % 60); }
    constexpr int GetSeconds() const { return static_cast<int>(m_nSeconds % 60); }

    constexpr CTimeSpan& operator+=(CTimeSpan other) {
        m_nSeconds += other.m_nSeconds;
        return *this;
    }
    friend constexpr CTimeSpan operator+(CTimeSpan a, CTimeSpan b) {
        return CTimeSpan(a.m_nSeconds + b.m_nSeconds);
    }
    friend constexpr auto operator<=>(CTimeSpan, CTimeSpan) = default;

private:
    std::int64_t m_nSeconds = 0;
};

// Wall-clock time in whole seconds since 1970 (UTC); broken down in local time (TZ).
class CTime {
public:
    constexpr CTime() = default;
    constexpr explicit CTime(std::time_t t) : m_time(t) {}
    // Local date and time; month 1-12.
    CTime(int year, int month, int day, int hour, int minute, int second);

    constexpr std::time_t GetTime() const { return m_time; }
    int GetYear() const { return Local().tm_year + 1900; }
    int GetMonth() const { return Local().tm_mon + 1; }
    int GetDay() const { return Local().tm_mday; }
    int GetHour() const { return Local().tm_hour; }
    int GetMinute() const { return Local().tm_min; }
    int GetSecond() const { return Local().tm_sec; }
    int GetDayOfWeek() const { return Local().tm_wday + 1; }  // 1 = Sunday

    // strftime in the C locale whatever the process locale, local time.
    std::string Format(const char* format) const;

    friend constexpr CTime operator+(CTime t, CTimeSpan s) {
        return CTime(t.m_time + static_cast<std::time_t>(s.GetTotalSeconds()));
    }
    friend constexpr CTimeSpan operator-(CTime a, CTime b) {
        return CTimeSpan(static_cast<std::int64_t>(a.m_time - b.m_time));
    }
    friend constexpr auto operator<=>(CTime, CTime) = default;

private:
    std::tm Local() const;
    std::time_t m_time = 0;
};

// Date-time span as 64-bit float days with a status (0 valid), as stored in files.
class COleDateTimeSpan {
public:
    enum Status : std::int32_t { valid = 0, invalid = 1, null = 2 };
    constexpr COleDateTimeSpan() = default;
    constexpr explicit COleDateTimeSpan(double days, Status status = valid)
        : m_span(days), m_status(status) {}
    constexpr COleDateTimeSpan(long days, int hours, int minutes, int seconds)
        : m_span(days + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0) {}

    constexpr double GetDays() const { return m_span; }
    constexpr Status GetStatus() const { return m_status; }
    // Whole seconds, rounded to the nearest as the days are stored with rounding error.
    std::int64_t GetTotalSeconds() const;

private:
    double m_span = 0.0;
    Status m_status = valid;
};

// Local date and time as 64-bit float days since 30 December 1899, with a status.
class COleDateTime {
public:
    constexpr COleDateTime() = default;
    constexpr explicit COleDateTime(double days) : m_dt(days) {}
    // The local date and time of `t`, to the second.
    static COleDateTime FromTime(CTime t);

    constexpr double GetDays() const { return m_dt; }
    constexpr COleDateTimeSpan::Status GetStatus() const { return m_status; }
    constexpr void SetStatus(COleDateTimeSpan::Status status) { m_status = status; }

    friend constexpr COleDateTime operator+(COleDateTime t, COleDateTimeSpan s) {
        return COleDateTime(t.m_dt + s.GetDays());
    }
    friend constexpr bool operator>(COleDateTime a, COleDateTime b) { return a.m_dt > b.m_dt; }
    friend constexpr bool operator<(COleDateTime a, COleDateTime b) { return a.m_dt < b.m_dt; }

private:
    double m_dt = 0.0;
    COleDateTimeSpan::Status m_status = COleDateTimeSpan::valid;
};

// Source of "now", injected so that tests and batch analysis control time.
class CClock {
public:
    virtual ~CClock() = default;
    virtual CTime Now() const = 0;
};

class CSystemClock final : public CClock {
public:
    CTime Now() const override;
    static const CSystemClock& Instance();
};

// A clock that only moves when told; for tests and for virtual time in batch analysis.
class CManualClock final : public CClock {
public:
    explicit CManualClock(CTime start = CTime()) : m_now(start) {}
    CTime Now() const override { return m_now; }
    void Set(CTime t) { m_now = t; }
    void Advance(CTimeSpan s) { m_now = m_now + s; }

private:
    CTime m_now;
};

}  // namespace tavik
