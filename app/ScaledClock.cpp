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

}  // namespace tavik
