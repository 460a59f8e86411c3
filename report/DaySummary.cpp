#include "report/DaySummary.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

// The class of a peak deviation: its whole kHz, beyond the last class in the last.
int DeviationClass(float kHz) {
    if (!(kHz >= 0.0f)) {
        return 0;
    }
    return kHz >= static_cast<float>(CDaySummary::kDeviationClasses - 1)
               ? CDaySummary::kDeviationClasses - 1
               : static_cast<int>(kHz);
}

void TakeMaximum(std::optional<CTimedValue>& maximum, float value, std::uint32_t time) {
    if (!maximum || value > maximum->fValue) {
        maximum = CTimedValue{value, time};
    }
}

void SummariseMultipath(const CDaySeconds& day, CDaySummary& summary) {
    std::vector<float> values;
    values.reserve(day.seconds.size());
    for (const CResultRecord& second : day.seconds) {
        if (!std::isnan(second.m_fMultipath)) {
            values.push_back(second.m_fMultipath);
        }
    }
    summary.nMultipathSeconds = static_cast<int>(values.size());
    if (values.empty()) {
        return;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    summary.multipathMin = *low;
    summary.multipathMax = *high;
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half),
                     values.end());
    const float upper = values[half];
    if (values.size() % 2 == 1) {
        summary.multipathMedian = upper;
        return;
    }
    const float lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half));
    summary.multipathMedian =
        static_cast<float>((static_cast<double>(lower) + static_cast<double>(upper)) / 2.0);
}

}  // namespace

double CDaySummary::PercentAboveDeviationLimit() const {
    return nDeviationSeconds > 0 ? 100.0 * nAboveDeviationLimit / nDeviationSeconds : 0.0;
}

CDaySummary SummariseDay(const CDaySeconds& day) {
    CDaySummary summary;
    const std::vector<CResultRecord>& seconds = day.seconds;
    summary.nSeconds = static_cast<int>(seconds.size());
    if (seconds.empty()) {
        return summary;
    }
    summary.nFirst = seconds.front().m_nTimestamp;
    summary.nLast = seconds.back().m_nTimestamp;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        const CResultRecord& second = seconds[i];
        if (i > 0 && second.m_nTimestamp > seconds[i - 1].m_nTimestamp + 1) {
            const CGap gap{seconds[i - 1].m_nTimestamp + 1,
                           second.m_nTimestamp - seconds[i - 1].m_nTimestamp - 1};
            summary.gaps.push_back(gap);
            summary.nMissing += gap.nCount;
        }
        if (!std::isnan(second.m_fDeviation)) {
            ++summary.nDeviationSeconds;
            summary.nAboveDeviationLimit +=
                second.m_fDeviation > CDaySummary::kDeviationLimit ? 1 : 0;
            ++summary
                  .deviationClasses[static_cast<std::size_t>(DeviationClass(second.m_fDeviation))];
            TakeMaximum(summary.maxDeviation, second.m_fDeviation, second.m_nTimestamp);
        }
        if (!std::isnan(second.m_fMPXPower)) {
            ++summary.nMpxPowerSeconds;
            summary.nAboveMpxPowerLimit += second.m_fMPXPower > CDaySummary::kMpxPowerLimit ? 1 : 0;
            TakeMaximum(summary.maxMpxPower, second.m_fMPXPower, second.m_nTimestamp);
        }
    }
    SummariseMultipath(day, summary);
    return summary;
}

}  // namespace tavik
