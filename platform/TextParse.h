#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// Text to values and values to text for command lines and setup files, the same in every
// locale. A parse takes the whole text or fails (nullopt): no blanks, no trailing characters.

// A finite decimal number ("76.5", "-3", "1e-5").
std::optional<double> ParseNumber(std::string_view text);
// A whole number in base 10 or 16 (hexadecimal without a prefix, either letter case).
std::optional<std::int64_t> ParseInteger(std::string_view text, int base = 10);
// "YYYY-MM-DDTHH:MM:SS" in UTC, or with "Z" or an offset "+HH:MM"/"-HH:MM" of the local time
// from UTC, between 1990 and 2099 (the date as written), as seconds since 1970.
std::optional<std::int64_t> ParseUtcTime(std::string_view text);

// A number for people: at most `decimals` decimals, trailing zeros dropped ("76.12", "75",
// "0.5"); "-inf", "inf" and "nan" as such.
std::string FormatNumber(double value, int decimals);
// The shortest text that reads back as the same float ("106.7" for 106.7f, not
// "106.69999694824219").
std::string FormatFloat(float value);

// "YYYY-MM-DDTHH:MM:SS+HH:MM": ISO 8601 local time (TZ) with its offset from UTC.
std::string FormatIsoLocalTime(std::int64_t seconds);

}  // namespace tavik
