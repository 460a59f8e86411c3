#include "dsp/CarrierToNoiseMeter.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace tavik {

namespace {

// Taps of the band-pass at 400 kHz: about 23 kHz from pass to 60 dB down; a multiple of 8 for
// the eight running sums the compiler vectorises.
constexpr int kTaps = 64;

}  // namespace

CCarrierToNoiseMeter::CCarrierToNoiseMeter(double rate, double hertzPerUnit, int maxCount)
    : m_fScale(hertzPerUnit * hertzPerUnit) {
    // A low-pass of half the band's width, moved up to its middle.
    const double centre = (kBandLow + kBandHigh) / 2.0;
    const double half = (kBandHigh - kBandLow) / 2.0;
    std::vector<float> low(kTaps);
    liquid_firdes_kaiser(kTaps, static_cast<float>(half / rate), 60.0f, 0.0f, low.data());
    float sum = 0.0f;
    for (const float h : low) {
        sum += h;
    }
    m_taps.resize(kTaps);
    const double middle = (kTaps - 1) / 2.0;  // a symmetric low-pass of even length
    for (int n = 0; n < kTaps; ++n) {
        const double turn = 2.0 * std::numbers::pi * centre / rate * (n - middle);
        m_taps[static_cast<std::size_t>(kTaps - 1 - n)] =
            static_cast<float>(2.0 * low[static_cast<std::size_t>(n)] / sum * std::cos(turn));
    }
    // W by the midpoint rule over 0..rate/2, fine enough for the band's slopes.
    constexpr int kSteps = 4000;
    double w = 0.0;
    for (int k = 0; k < kSteps; ++k) {
        const double f = (k + 0.5) * rate / 2.0 / kSteps;
        std::complex<double> response = 0.0;
        for (int n = 0; n < kTaps; ++n) {
            response += static_cast<double>(m_taps[static_cast<std::size_t>(kTaps - 1 - n)]) *
                        std::polar(1.0, -2.0 * std::numbers::pi * f / rate * n);
        }
        const double d = rate / std::numbers::pi * std::sin(std::numbers::pi * f / rate);
        w += d * d * std::norm(response) * rate / 2.0 / kSteps;
    }
    m_fZeroDbPower = w / kReferenceBandwidth;
    m_history.assign(static_cast<std::size_t>(kTaps - 1 + maxCount), 0.0f);
}

void CCarrierToNoiseMeter::Reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_nPhase = 0;
    m_fSum = 0.0;
    m_nCount = 0;
}

void CCarrierToNoiseMeter::Process(const float* x, int count) {
    constexpr std::size_t kKeep = kTaps - 1;
    std::memcpy(m_history.data() + kKeep, x, sizeof(float) * static_cast<std::size_t>(count));
    int i = m_nPhase;
    for (; i < count; i += kStride) {
        const float* w = m_history.data() + i;  // ends with sample i
        float s[8] = {};
        for (std::size_t j = 0; j < kKeep + 1; j += 8) {
            for (std::size_t l = 0; l < 8; ++l) {
                s[l] += m_taps[j + l] * w[j + l];
            }
        }
        const float y = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
        m_fSum += static_cast<double>(y) * y;
        ++m_nCount;
    }
    m_nPhase = i - count;
    std::memmove(m_history.data(), m_history.data() + count, sizeof(float) * kKeep);
}

void CCarrierToNoiseMeter::TakeInto(double& sum, long& count) {
    sum += m_fSum * m_fScale;
    count += m_nCount;
    m_fSum = 0.0;
    m_nCount = 0;
}

float CCarrierToNoiseMeter::CarrierToNoise(double zeroDbPower, double power) {
    return static_cast<float>(10.0 * std::log10(zeroDbPower / std::max(power, 1e-30)));
}

}  // namespace tavik
