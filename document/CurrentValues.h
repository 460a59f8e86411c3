#pragma once

#include <optional>

namespace tavik {

// The latest value of each quantity that alarms watch; empty until its first result arrived
// in this measurement, then its last value until the next result.
struct CCurrentValues {
    std::optional<float> m_fMpxPower;   // dBr, newest 60-second value (alarm source 0)
    std::optional<float> m_fDeviation;  // kHz (alarm source 1)
    std::optional<float> m_fMultipath;  // %/kHz (alarm source 2)
};

}  // namespace tavik
