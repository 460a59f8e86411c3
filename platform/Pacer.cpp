#include "platform/Pacer.h"

namespace tavik {

void CRealTimePacer::Sleep(std::chrono::milliseconds period) {
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(period / m_fSpeed);
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, wait, [&] { return m_bInterrupted; });
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

void CSteppedPacer::Sleep(std::chrono::milliseconds) {
    std::unique_lock lock(m_mutex);
    ++m_nWaiting;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_bInterrupted || m_nPermits > 0; });
    --m_nWaiting;
    if (!m_bInterrupted) {
        --m_nPermits;
        ++m_nSleeps;
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

int CSteppedPacer::SleepCount() const {
    std::lock_guard lock(m_mutex);
    return m_nSleeps;
}

}  // namespace tavik
