#pragma once

#include <cstdint>
#include <optional>

namespace tavik {

// One second of results as written to the result file: the latest multipath, deviation (kHz)
// and MPX power (dBr) values and the second's start time.
struct CResultRecord {
    float m_fMultipath = 0.0f;
    float m_fDeviation = 0.0f;
    float m_fMPXPower = 0.0f;
    std::uint32_t m_nTimestamp = 0;  // seconds since 1970 (UTC); 0 = no record open
    // No FM carrier (or no receiver) for some of the second: the values were not measured.
    // Written as signal="none" on the record, which readers that do not know it pass over.
    bool m_bNoSignal = false;
    // The highest deviation (kHz) reported within the second, written as <DeviationPeak> after
    // the three values; none in files written before it was recorded.
    std::optional<float> m_fDeviationPeak = std::nullopt;
};

}  // namespace tavik
