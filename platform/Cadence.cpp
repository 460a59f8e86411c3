#include "platform/Cadence.h"

namespace tavik {

CCadence::CCadence(CPacer& pacer, std::int64_t cycles, std::chrono::nanoseconds span)
    : m_pacer(pacer), m_nCycles(cycles), m_span(span), m_start(pacer.Now()) {}

void CCadence::WaitNext() {
    ++m_nCycle;
    const CPacer::Time now = m_pacer.Now();
    if (now - Deadline(m_nCycle) > kMaxLag) {
        m_start = now;  // the cycle just run counts as cycle 0 of a new schedule
        m_nCycle = 1;
    }
    m_pacer.SleepUntil(Deadline(m_nCycle));
}

CPacer::Time CCadence::Deadline(std::int64_t cycle) const {
    // Whole spans plus the fraction of one, so the product cannot overflow however long it runs.
    const std::int64_t spans = cycle / m_nCycles;
    const std::int64_t rest = cycle % m_nCycles;
    return m_start + spans * m_span + rest * m_span / m_nCycles;
}

}  // namespace tavik
