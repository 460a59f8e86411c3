#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/DropCounters.h"
#include "platform/MpxReadings.h"

namespace tavik {

// JSON objects keep their keys in the order they were written.
using CJson = nlohmann::ordered_json;

// Values as this program writes them into JSON.
class CJsonValues {
public:
    // A measured value rounded to `decimals` for people ("76.12", not "76.1235000610352");
    // null when missing or not finite (the power of a silent block is -inf dBr).
    static CJson Rounded(std::optional<double> value, int decimals);
    // A stored float exactly, in its shortest text ("106.7"): it reads back bit for bit.
    static CJson Exact(float value);
    // {"samples":0,"analysers":0,"rds":0,"results":0}: drops of each kind.
    static CJson Drops(const CDropCounts& drops);
    // Adds "pilot_khz", "pilot_error_hz", "rds_injection_khz", "audio_left_db",
    // "audio_right_db" and "silence" to `json`: null before the first readings, the pilot's and
    // the RDS's values null without a pilot or RDS.
    static void AddMpxReadings(CJson& json, const std::optional<CMpxReadings>& readings);
    // A string, or null when empty.
    static CJson TextOrNull(const std::string& text);
    // One line of compact JSON; bytes that are not UTF-8 become U+FFFD instead of failing.
    static std::string Dump(const CJson& value, int indent = -1);
};

}  // namespace tavik
