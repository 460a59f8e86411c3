#pragma once

namespace tavik {

// The latest value of each quantity that alarms watch; each starts at 0 and holds its last
// value until the next result arrives.
struct CCurrentValues {
    float m_fMpxPower = 0.0f;   // dBr, newest 60-second value (alarm source 0)
    float m_fDeviation = 0.0f;  // kHz (alarm source 1)
    float m_fMultipath = 0.0f;  // %/kHz (alarm source 2)
};

}  // namespace tavik
