#include "dsp/RfLevel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavik {

CRfLevel::CRfLevel(double fullScaleDbuv, int delay)
    : m_fFullScale(static_cast<float>(fullScaleDbuv)),
      m_delay(static_cast<std::size_t>(std::max(delay, 0)), 0.0f) {}

void CRfLevel::Reset() {
    std::fill(m_delay.begin(), m_delay.end(), 0.0f);
    m_nIndex = 0;
}

int CRfLevel::Process(float* level, int count) {
    for (int i = 0; i < count; ++i) {
        // The floor keeps a channel of nothing finite (-180 dB below full scale).
        level[i] = 20.0f * std::log10(std::max(level[i], 1e-9f)) + m_fFullScale;
    }
    if (!m_delay.empty()) {
        for (int i = 0; i < count; ++i) {
            std::swap(level[i], m_delay[m_nIndex]);
            if (++m_nIndex == m_delay.size()) {
                m_nIndex = 0;
            }
        }
    }
    return std::max(count, 0);
}

}  // namespace tavik
