#include "dsp/CarrierOffset.h"

namespace tavik {

void CCarrierOffset::Add(const float* mpx, int count) {
    for (int i = 0; i < count; ++i) {
        m_fSum += mpx[i];
        if (++m_nCount < kSecond) {
            continue;
        }
        const double mean = m_fSum / static_cast<double>(m_nCount);
        m_fEstimate = m_bLocked ? m_fEstimate + kFollow * (mean - m_fEstimate) : mean;
        m_bLocked = true;
        m_fSum = 0.0;
        m_nCount = 0;
    }
}

void CCarrierOffset::Lock() {
    if (!m_bLocked && m_nCount > 0) {
        m_fEstimate = m_fSum / static_cast<double>(m_nCount);
        m_bLocked = true;
        m_fSum = 0.0;
        m_nCount = 0;
    }
}

void CCarrierOffset::Shift(double units) {
    m_fEstimate -= units;
    // The second under way mixes both tunings: it starts again.
    m_fSum = 0.0;
    m_nCount = 0;
}

}  // namespace tavik
