#pragma once

#include <span>
#include <string>
#include <string_view>

#include "metrics/MetricsSnapshot.h"

namespace tavik {

// The Prometheus text exposition (format 0.0.4) of a snapshot: every family with its HELP and
// TYPE lines, gauges in kHz, dBr, %/kHz and dBuV as the unit in the name says, counters with
// "_total". Families without a value are left out.
class CMetricsText {
public:
    static constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";

    static std::string Format(const CMetricsSnapshot& snapshot);
    // Several stations measured at once: each family once, a sample per station, every sample
    // labelled with its station's frequency_mhz (one station: as Format).
    static std::string FormatStations(std::span<const CMetricsSnapshot> stations);
    // A sample value: the shortest text that reads back as the same float, "+Inf", "-Inf",
    // "NaN".
    static std::string Value(float value);
    // A label value with backslash, double quote and line feed escaped.
    static std::string LabelValue(std::string_view text);
};

}  // namespace tavik
