#include "app/ScaledClock.h"

#include <cmath>

namespace tavik {

CScaledClock::CScaledClock(double speed)
    : m_fSpeed(speed),
      m_start(CSystemClock::Instance().Now()),
      m_steadyStart(std::chrono::steady_clock::now()) {}

CTime CScaledClock::Now() const {
    if (m_fSpeed == 1.0) {
        return CSystemClock::Instance().Now();
    }
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - m_steadyStart;
    const auto seconds = static_cast<std::int64_t>(std::floor(real.count() * m_fSpeed));
    return m_start + CTimeSpan(seconds);
}

std::chrono::steady_clock::time_point CScaledClock::MiddleOf(CTime second) const {
    using std::chrono::duration;
    using std::chrono::duration_cast;
    using Steady = std::chrono::steady_clock;
    if (m_fSpeed == 1.0) {
        // The system clock's seconds, whose phase the steady clock does not know: measured now.
        const auto system = std::chrono::system_clock::now();
        const auto target = std::chrono::system_clock::from_time_t(second.GetTime()) +
                            std::chrono::milliseconds(500);
        return Steady::now() + duration_cast<Steady::duration>(target - system);
    }
    const double scaled = static_cast<double>((second - m_start).GetTotalSeconds()) + 0.5;
    return m_steadyStart + duration_cast<Steady::duration>(duration<double>(scaled / m_fSpeed));
}

}  // namespace tavik
