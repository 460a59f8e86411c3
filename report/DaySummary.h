#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "report/DaySeconds.h"

namespace tavik {

// A value and the second it belongs to (seconds since 1970, UTC).
struct CTimedValue {
    float fValue = 0.0f;
    std::uint32_t nTime = 0;
};

// A run of missing seconds between two records.
struct CGap {
    std::uint32_t nFirstMissing = 0;
    std::uint32_t nCount = 0;
};

// The figures of a day's report, from its seconds (NaN values do not count; infinities do).
struct CDaySummary {
    static constexpr float kDeviationLimit = 75.0f;  // kHz, peak deviation of FM broadcasting
    static constexpr float kMpxPowerLimit = 0.0f;    // dBr, 60-second MPX power (ITU-R BS.412)
    static constexpr int kDeviationClasses = 110;    // 1 kHz classes 0..109, the last open

    std::uint32_t nFirst = 0;  // first and last second with a record; 0 without records
    std::uint32_t nLast = 0;
    int nSeconds = 0;
    std::int64_t nMissing = 0;  // seconds between first and last without a record
    std::vector<CGap> gaps;

    std::optional<CTimedValue> maxDeviation;  // the first second of the maximum
    int nDeviationSeconds = 0;
    int nAboveDeviationLimit = 0;                           // seconds whose peak exceeds 75 kHz
    std::array<int, kDeviationClasses> deviationClasses{};  // seconds per 1 kHz class

    std::optional<CTimedValue> maxMpxPower;
    int nMpxPowerSeconds = 0;
    int nAboveMpxPowerLimit = 0;  // seconds whose 60-second power exceeds 0 dBr

    std::optional<float> multipathMin;
    std::optional<float> multipathMedian;  // the mean of the middle two for an even count
    std::optional<float> multipathMax;
    int nMultipathSeconds = 0;

    double PercentAboveDeviationLimit() const;
    double MinutesAboveMpxPowerLimit() const { return nAboveMpxPowerLimit / 60.0; }
};

CDaySummary SummariseDay(const CDaySeconds& day);

}  // namespace tavik
