#include "tests/support/ManualClockPacer.h"

namespace tavik::test {

void CManualClockPacer::Sleep(std::chrono::milliseconds period) {
    std::unique_lock lock(m_mutex);
    WaitLocked(lock, m_now + period);
}

void CManualClockPacer::SleepUntil(Time deadline) {
    std::unique_lock lock(m_mutex);
    WaitLocked(lock, deadline);
}

CPacer::Time CManualClockPacer::Now() {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void CManualClockPacer::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_bInterrupted = true;
    }
    m_cv.notify_all();
}

void CManualClockPacer::Reset() {
    std::lock_guard lock(m_mutex);
    m_bInterrupted = false;
}

void CManualClockPacer::AdvanceTo(Time time) {
    {
        std::lock_guard lock(m_mutex);
        m_now = time;
    }
    m_cv.notify_all();
}

bool CManualClockPacer::WaitUntilIdle(std::size_t threads, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, limit,
                         [&] { return m_waits.size() == threads && *m_waits.begin() > m_now; });
}

std::int64_t CManualClockPacer::WaitsEnded() {
    std::lock_guard lock(m_mutex);
    return m_nWaitsEnded;
}

void CManualClockPacer::WaitLocked(std::unique_lock<std::mutex>& lock, Time deadline) {
    const auto entry = m_waits.insert(deadline);
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_bInterrupted || m_now >= deadline; });
    if (!m_bInterrupted) {
        ++m_nWaitsEnded;
    }
    m_waits.erase(entry);
    m_cv.notify_all();
}

}  // namespace tavik::test
