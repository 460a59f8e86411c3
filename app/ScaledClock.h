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
    // When the clock is halfway through `second`: the monitor ticks there, so that a tick
    // early or late by up to half a second still falls in its own second, and no second is
    // stamped twice or skipped.
    std::chrono::steady_clock::time_point MiddleOf(CTime second) const;

private:
    const double m_fSpeed;
    const CTime m_start;
    const std::chrono::steady_clock::time_point m_steadyStart;
};

}  // namespace tavik
