#include "platform/TextParse.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tavik {

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text, int base) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseUtcTime(std::string_view text) {
    // Fixed positions: digits everywhere but the separators.
    static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd";
    if (text.size() != kPattern.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) {
            return std::nullopt;
        }
    }
    const auto field = [&](std::size_t at, std::size_t length) {
        return static_cast<int>(*ParseInteger(text.substr(at, length)));
    };
    const int year = field(0, 4);
    const int month = field(5, 2);
    const int day = field(8, 2);
    const int hour = field(11, 2);
    const int minute = field(14, 2);
    const int second = field(17, 2);
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1990 || year > 2099 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] || (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    // Days since 1970-01-01 of the civil date (H. Hinnant's days_from_civil).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string FormatNumber(double value, int decimals) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    char text[64];
    const auto [ptr, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string out(text, ec == std::errc() ? ptr : text);
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    return out == "-0" ? "0" : out;
}

std::string FormatFloat(float value) {
    char text[32];
    const auto [ptr, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? ptr : text);
}

std::string FormatIsoLocalTime(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    const int offset = static_cast<int>(local.tm_gmtoff / 60);  // minutes east of UTC
    const int size = (offset < 0 ? -offset : offset) % (24 * 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  (local.tm_year + 1900) % 10000, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', size / 60, size % 60);
    return text;
}

}  // namespace tavik
