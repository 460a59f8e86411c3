#pragma once

#include <chrono>

#include "platform/Time.h"

namespace tavik {

// Wall-clock time that runs `speed` times as fast as real time from the moment of
// construction, so that timestamps and alarm delays follow a faster-than-real-time replay.
// At speed 1 it is the system clock (to the second).
class CScaledClock final : public CClock {
public:
    explicit CScaledClock(double speed);
    CTime Now() const override;

private:
    const double m_fSpeed;
    const CTime m_start;
    const std::chrono::steady_clock::time_point m_steadyStart;
};

}  // namespace tavik
