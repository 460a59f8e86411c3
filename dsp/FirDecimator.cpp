#include "dsp/FirDecimator.h"

#include <algorithm>
#include <cstring>

namespace tavik {

CComplexDecimator::CComplexDecimator(const std::vector<float>& taps, unsigned factor, int maxInput)
    : m_nFactor(factor), m_nTaps((taps.size() + 3) / 4 * 4) {
    // Zero taps in front round the length to a multiple of four samples (eight floats).
    m_weights.assign(2 * m_nTaps, 0.0f);
    const std::size_t pad = m_nTaps - taps.size();
    for (std::size_t k = 0; k < taps.size(); ++k) {
        const float w = taps[taps.size() - 1 - k];
        m_weights[2 * (pad + k)] = w;
        m_weights[2 * (pad + k) + 1] = w;
    }
    m_history.assign(2 * (m_nTaps - 1 + factor - 1 + static_cast<std::size_t>(maxInput)), 0.0f);
}

void CComplexDecimator::Reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_nWaiting = 0;
}

int CComplexDecimator::Process(const std::complex<float>* in, int count, std::complex<float>* out) {
    const std::size_t keep = 2 * (m_nTaps - 1);
    const auto waiting = static_cast<std::size_t>(m_nWaiting);
    std::memcpy(m_history.data() + keep + 2 * waiting, in,
                sizeof(float) * 2 * static_cast<std::size_t>(count));
    const int total = m_nWaiting + count;
    const int groups = total / static_cast<int>(m_nFactor);
    const float* w = m_weights.data();
    const std::size_t length = 2 * m_nTaps;
    for (int j = 0; j < groups; ++j) {
        // The window ends with the group's last sample.
        const float* x = m_history.data() + 2 * (static_cast<std::size_t>(j + 1) * m_nFactor - 1);
        float s[8] = {};
        for (std::size_t i = 0; i < length; i += 8) {
            for (std::size_t l = 0; l < 8; ++l) {
                s[l] += w[i + l] * x[i + l];
            }
        }
        out[j] = {s[0] + s[2] + s[4] + s[6], s[1] + s[3] + s[5] + s[7]};
    }
    const int used = groups * static_cast<int>(m_nFactor);
    m_nWaiting = total - used;
    std::memmove(m_history.data(), m_history.data() + 2 * static_cast<std::size_t>(used),
                 sizeof(float) * (keep + 2 * static_cast<std::size_t>(m_nWaiting)));
    return groups;
}

CComplexResampler::CComplexResampler(const std::vector<float>& taps, unsigned interp,
                                     unsigned decim, int maxInput)
    : m_nInterp(interp), m_nDecim(decim) {
    // Branch b takes the prototype's taps b, b + interp, b + 2 interp, ...: tap n of it weighs
    // the input n samples before the newest.
    const std::size_t length = (taps.size() + interp - 1) / interp;
    m_nTaps = (length + 3) / 4 * 4;
    m_weights.assign(2 * m_nTaps * interp, 0.0f);
    for (std::size_t b = 0; b < interp; ++b) {
        float* w = m_weights.data() + 2 * m_nTaps * b;
        for (std::size_t n = 0; b + n * interp < taps.size(); ++n) {
            const std::size_t k = m_nTaps - 1 - n;  // zero taps in front pad the length
            w[2 * k] = taps[b + n * interp];
            w[2 * k + 1] = taps[b + n * interp];
        }
    }
    // The polyphase schedule: after each input, the outputs whose branch is still below
    // interp, the branch advancing by decim per output and falling back by interp per input.
    std::size_t branch = 0;
    for (std::size_t i = 0; i < decim; ++i) {
        for (; branch < interp; branch += decim) {
            m_outputs.push_back({i, branch});
        }
        branch -= interp;
    }
    m_history.assign(2 * (m_nTaps - 1 + decim - 1 + static_cast<std::size_t>(maxInput)), 0.0f);
}

void CComplexResampler::Reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_nWaiting = 0;
}

int CComplexResampler::MaxOutput(int count) const {
    return (count + static_cast<int>(m_nDecim) - 1) / static_cast<int>(m_nDecim) *
           static_cast<int>(m_nInterp);
}

int CComplexResampler::Process(const std::complex<float>* in, int count, std::complex<float>* out) {
    const std::size_t keep = 2 * (m_nTaps - 1);
    const auto waiting = static_cast<std::size_t>(m_nWaiting);
    std::memcpy(m_history.data() + keep + 2 * waiting, in,
                sizeof(float) * 2 * static_cast<std::size_t>(count));
    const int total = m_nWaiting + count;
    const int groups = total / static_cast<int>(m_nDecim);
    const std::size_t length = 2 * m_nTaps;
    for (int g = 0; g < groups; ++g) {
        const std::size_t first = static_cast<std::size_t>(g) * m_nDecim;
        for (const SOutput& o : m_outputs) {
            // The window ends with input nLast of the group.
            const float* x = m_history.data() + 2 * (first + o.nLast);
            const float* w = m_weights.data() + length * o.nBranch;
            float s[8] = {};
            for (std::size_t i = 0; i < length; i += 8) {
                for (std::size_t l = 0; l < 8; ++l) {
                    s[l] += w[i + l] * x[i + l];
                }
            }
            *out++ = {s[0] + s[2] + s[4] + s[6], s[1] + s[3] + s[5] + s[7]};
        }
    }
    const int used = groups * static_cast<int>(m_nDecim);
    m_nWaiting = total - used;
    std::memmove(m_history.data(), m_history.data() + 2 * static_cast<std::size_t>(used),
                 sizeof(float) * (keep + 2 * static_cast<std::size_t>(m_nWaiting)));
    return groups * static_cast<int>(m_nInterp);
}

CRealDecimator::CRealDecimator(const std::vector<float>& taps, unsigned factor, int maxInput)
    : m_nFactor(factor), m_nTaps((taps.size() + 7) / 8 * 8) {
    m_weights.assign(m_nTaps, 0.0f);
    const std::size_t pad = m_nTaps - taps.size();
    for (std::size_t k = 0; k < taps.size(); ++k) {
        m_weights[pad + k] = taps[taps.size() - 1 - k];
    }
    m_history.assign(m_nTaps - 1 + factor - 1 + static_cast<std::size_t>(maxInput), 0.0f);
}

void CRealDecimator::Reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_nWaiting = 0;
}

int CRealDecimator::Process(const float* in, int count, float* out) {
    const std::size_t keep = m_nTaps - 1;
    std::memcpy(m_history.data() + keep + static_cast<std::size_t>(m_nWaiting), in,
                sizeof(float) * static_cast<std::size_t>(count));
    const int total = m_nWaiting + count;
    const int groups = total / static_cast<int>(m_nFactor);
    const float* w = m_weights.data();
    for (int j = 0; j < groups; ++j) {
        const float* x = m_history.data() + (static_cast<std::size_t>(j + 1) * m_nFactor - 1);
        float s[8] = {};
        for (std::size_t i = 0; i < m_nTaps; i += 8) {
            for (std::size_t l = 0; l < 8; ++l) {
                s[l] += w[i + l] * x[i + l];
            }
        }
        out[j] = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
    }
    const int used = groups * static_cast<int>(m_nFactor);
    m_nWaiting = total - used;
    std::memmove(m_history.data(), m_history.data() + used,
                 sizeof(float) * (keep + static_cast<std::size_t>(m_nWaiting)));
    return groups;
}

}  // namespace tavik
