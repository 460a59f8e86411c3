#include "device/IqRateWatch.h"

#include <cmath>

namespace tavik {

CIqRateWatch::CIqRateWatch(std::unique_ptr<CIqStream> stream, CPacer* clock)
    : m_pStream(std::move(stream)), m_pClock(clock != nullptr ? clock : &m_realTime) {}

void CIqRateWatch::Open(const CIqTuning& tuning) {
    m_pStream->Open(tuning);
    m_fRate = tuning.fRate;
    m_windowStart = m_pClock->Now();
    m_fSamples = 0.0;
}

int CIqRateWatch::Read(std::complex<float>* iq, int count) {
    const int got = m_pStream->Read(iq, count);
    if (got == 0) {
        return 0;  // stopped
    }
    m_fSamples += got;
    const CPacer::Time now = m_pClock->Now();
    if (now - m_windowStart >= kWindow) {
        const std::chrono::duration<double> window = now - m_windowStart;
        if (m_fSamples < 0.5 * m_fRate * window.count()) {
            m_pStream->Close();
            throw CIqStreamError(Name() + " delivers fewer than half of the " +
                                 std::to_string(std::llround(m_fRate)) +
                                 " samples a second asked for");
        }
        m_windowStart = now;
        m_fSamples = 0.0;
    }
    return got;
}

}  // namespace tavik
