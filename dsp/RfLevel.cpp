#include "dsp/RfLevel.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace tavik {

namespace {

// Samples per group: a loop of fixed length, which the compiler vectorises at -O2 as well.
constexpr std::size_t kLanes = 8;

}  // namespace

CRfLevel::CRfLevel(double fullScaleDbuv, int delay)
    : m_fFullScale(static_cast<float>(fullScaleDbuv)),
      m_delay(static_cast<std::size_t>(std::max(delay, 0)), 0.0f),
      m_spare(m_delay.size(), 0.0f) {}

void CRfLevel::Reset() {
    std::fill(m_delay.begin(), m_delay.end(), 0.0f);
}

int CRfLevel::Process(float* level, int count) {
    if (count <= 0) {
        return 0;
    }
    // Groups of kLanes, a short last one padded: every sample takes the same arithmetic.
    for (int i = 0; i < count; i += static_cast<int>(kLanes)) {
        const int n = std::min(static_cast<int>(kLanes), count - i);
        std::array<float, kLanes> x{};
        std::copy_n(level + i, n, x.begin());
        for (std::size_t l = 0; l < kLanes; ++l) {
            x[l] = Decibels(x[l]) + m_fFullScale;
        }
        std::copy_n(x.begin(), n, level + i);
    }
    // The delay: the last `delay` levels wait, those that waited come first.
    const int delay = static_cast<int>(m_delay.size());
    if (delay == 0) {
        return count;
    }
    if (count >= delay) {
        std::copy_n(level + count - delay, delay, m_spare.begin());
        std::memmove(level + delay, level, sizeof(float) * static_cast<std::size_t>(count - delay));
        std::copy(m_delay.begin(), m_delay.end(), level);
        std::swap(m_delay, m_spare);
    } else {
        std::copy_n(level, count, m_spare.begin());
        std::copy_n(m_delay.begin(), count, level);
        std::copy(m_delay.begin() + count, m_delay.end(), m_delay.begin());
        std::copy_n(m_spare.begin(), count, m_delay.end() - count);
    }
    return count;
}

}  // namespace tavik
