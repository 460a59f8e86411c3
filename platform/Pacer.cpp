#include "platform/Pacer.h"

#include <algorithm>

namespace tavik {

CRealTimePacer::CRealTimePacer(double speed)
    : m_fSpeed(speed), m_origin(std::chrono::steady_clock::now()) {}

void CRealTimePacer::Sleep(std::chrono::milliseconds period) {
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(period / m_fSpeed);
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, wait, [&] { return m_bInterrupted; });
}

void CRealTimePacer::SleepUntil(Time deadline) {
    const auto wake = m_origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     deadline / m_fSpeed);
    std::unique_lock lock(m_mutex);
    m_cv.wait_until(lock, wake, [&] { return m_bInterrupted; });
}

CPacer::Time CRealTimePacer::Now() {
    return std::chrono::duration_cast<Time>((std::chrono::steady_clock::now() - m_origin) *
                                            m_fSpeed);
}

void CRealTimePacer::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_bInterrupted = true;
    }
    m_cv.notify_all();
}

void CRealTimePacer::Reset() {
    std::lock_guard lock(m_mutex);
    m_bInterrupted = false;
}

void CSteppedPacer::Sleep(std::chrono::milliseconds period) {
    std::unique_lock lock(m_mutex);
    WaitForPermit(lock);
    m_now += period;
}

void CSteppedPacer::SleepUntil(Time deadline) {
    std::unique_lock lock(m_mutex);
    WaitForPermit(lock);
    m_now = std::max(m_now, deadline);
}

CPacer::Time CSteppedPacer::Now() {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void CSteppedPacer::WaitForPermit(std::unique_lock<std::mutex>& lock) {
    ++m_nWaiting;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_bInterrupted || m_nPermits > 0; });
    --m_nWaiting;
    if (!m_bInterrupted) {
        --m_nPermits;
    }
    m_cv.notify_all();
}

void CSteppedPacer::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_bInterrupted = true;
    }
    m_cv.notify_all();
}

void CSteppedPacer::Reset() {
    std::lock_guard lock(m_mutex);
    m_bInterrupted = false;
    m_nPermits = 0;
}

void CSteppedPacer::Step(int cycles) {
    {
        std::lock_guard lock(m_mutex);
        m_nPermits += cycles;
    }
    m_cv.notify_all();
}

bool CSteppedPacer::WaitUntilIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, limit, [&] { return m_nPermits == 0 && m_nWaiting > 0; });
}

}  // namespace tavik
