#include "dsp/TruePeakMeter.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavik {

CTruePeakMeter::CTruePeakMeter() {
    constexpr int kTaps = kFactor * kTapsPerPhase;
    std::array<float, kTaps> h{};
    // Cut-off at the input's Nyquist frequency, 60 dB down at the first image.
    liquid_firdes_kaiser(kTaps, 0.5f / kFactor, 60.0f, 0.0f, h.data());
    for (int p = 0; p < kFactor; ++p) {
        float sum = 0.0f;
        for (int j = 0; j < kTapsPerPhase; ++j) {
            sum += h[static_cast<std::size_t>(j * kFactor + p)];
        }
        // Each phase on its own passes 0 Hz at unity gain, so a constant reads as itself.
        for (int j = 0; j < kTapsPerPhase; ++j) {
            m_taps[static_cast<std::size_t>(kTapsPerPhase - 1 - j)][static_cast<std::size_t>(p)] =
                h[static_cast<std::size_t>(j * kFactor + p)] / sum;
        }
    }
}

void CTruePeakMeter::Reset() {
    m_window.fill(0.0f);
    m_bStarted = false;
}

float CTruePeakMeter::Process(const float* x, int count) {
    constexpr int kKeep = kTapsPerPhase - 1;
    if (!m_bStarted && count > 0) {
        m_bStarted = true;
        std::fill_n(m_window.begin(), kKeep, x[0]);
    }
    // Points between two samples below kGate of the call's sample peak cannot reach it: the
    // measured band (flat to 61 kHz, falling above) lets a sine peak at most 1 / cos(pi f /
    // rate) = 2.2 times above its nearest sample (at 70 kHz). Only the points near the large
    // samples are worked out, a tenth of them or less on programme.
    float samples = 0.0f;
    for (int i = 0; i < count; ++i) {
        samples = std::max(samples, std::fabs(x[i]));
    }
    const float gate = kGate * samples;
    float peak = samples;
    for (int start = 0; start < count; start += kChunk) {
        const int n = std::min(kChunk, count - start);
        std::memcpy(m_window.data() + kKeep, x + start,
                    sizeof(float) * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const float* w = m_window.data() + i;  // ends with sample i
            // The points of this step lie between the samples kDelay and kDelay - 1 back.
            if (std::max(std::fabs(w[kKeep - kDelay]), std::fabs(w[kKeep - kDelay + 1])) < gate) {
                continue;
            }
            std::array<float, kFactor> points{};
            for (int j = 0; j < kTapsPerPhase; ++j) {
                const auto& taps = m_taps[static_cast<std::size_t>(j)];
                for (std::size_t p = 0; p < kFactor; ++p) {
                    points[p] += taps[p] * w[j];
                }
            }
            float largest = 0.0f;
            for (const float point : points) {
                largest = std::max(largest, std::fabs(point));
            }
            peak = std::max(peak, largest);
        }
        std::memmove(m_window.data(), m_window.data() + n, sizeof(float) * kKeep);
    }
    return peak;
}

}  // namespace tavik
