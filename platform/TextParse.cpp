#include "platform/TextParse.h"

#include <algorithm>
#include <charconv>
#include <chrono>
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
    // Fixed positions: digits everywhere but the separators; then nothing (UTC), "Z" or an
    // offset "+HH:MM" / "-HH:MM" of the local time from UTC.
    static constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd";
    static constexpr std::string_view kOffset = "sdd:dd";
    const std::string_view suffix = text.substr(std::min(text.size(), kPattern.size()));
    if (text.size() < kPattern.size() ||
        !(suffix.empty() || suffix == "Z" || suffix.size() == kOffset.size())) {
        return std::nullopt;
    }
    const auto matches = [](std::string_view part, std::string_view pattern) {
        for (std::size_t i = 0; i < part.size(); ++i) {
            const bool digit = part[i] >= '0' && part[i] <= '9';
            const bool sign = part[i] == '+' || part[i] == '-';
            if (pattern[i] == 'd' ? !digit : pattern[i] == 's' ? !sign : part[i] != pattern[i]) {
                return false;
            }
        }
        return true;
    };
    if (!matches(text.substr(0, kPattern.size()), kPattern) ||
        (suffix.size() == kOffset.size() && !matches(suffix, kOffset))) {
        return std::nullopt;
    }
    const auto field = [](std::string_view part, std::size_t at, std::size_t length) {
        return static_cast<int>(*ParseInteger(part.substr(at, length)));
    };
    using namespace std::chrono;
    const year_month_day date{year{field(text, 0, 4)},
                              month{static_cast<unsigned>(field(text, 5, 2))},
                              day{static_cast<unsigned>(field(text, 8, 2))}};
    const int hour = field(text, 11, 2);
    const int minute = field(text, 14, 2);
    const int second = field(text, 17, 2);
    if (!date.ok() || date.year() < year{1990} || date.year() > year{2099} || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    std::int64_t offset = 0;
    if (suffix.size() == kOffset.size()) {
        const int hours = field(suffix, 1, 2);
        const int minutes = field(suffix, 4, 2);
        if (hours > 14 || minutes > 59) {
            return std::nullopt;
        }
        offset = (suffix[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    }
    const std::int64_t days = sys_days{date}.time_since_epoch().count();
    return days * 86400 + hour * 3600 + minute * 60 + second - offset;
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
