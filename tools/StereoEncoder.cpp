#include "tools/StereoEncoder.h"

#include <cmath>
#include <numbers>

namespace tavik {

CStereoEncoder::CStereoEncoder(float pilotAmplitude, float rdsAmplitude, bool bStereo,
                               const std::vector<std::uint8_t>& rdsBits)
    : m_fPilot(bStereo ? pilotAmplitude : 0.0f),
      m_fRds(rdsAmplitude),
      m_bStereo(bStereo),
      m_coded(rdsBits.size()) {
    std::uint8_t previous = 0;
    for (std::size_t k = 0; k < rdsBits.size(); ++k) {
        previous = static_cast<std::uint8_t>((rdsBits[k] ^ previous) & 1u);
        m_coded[k] = previous;
    }
    for (int n = 0; n < kPilotPeriod; ++n) {
        const double theta = 2.0 * std::numbers::pi * 19.0 * n / kPilotPeriod;
        m_pilot[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(theta));
        m_stereo[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(2.0 * theta));
        m_rdsCarrier[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(3.0 * theta));
    }
    m_biphase = ShapedSymbol();
}

// The biphase symbol of a coded 1 (positive half first: impulses +1 at td/4 and -1 at 3td/4
// after the bit's start) through the shaping cos(pi f td / 4), 0 from 2 / td up:
//   g(t) = -4 integral_0^(2/td) cos(pi f td / 4) sin(pi f td / 2) sin(2 pi f (t - td / 2)) df,
// by the midpoint rule, scaled so that a random symbol sequence has the mean square 1/2 (a sine
// of peak 1), which makes the subcarrier's power A^2 / 4 for a peak A.
std::vector<float> CStereoEncoder::ShapedSymbol() {
    constexpr int kSpan = (2 * kSymbolReach + 1) * kBitPeriodScaled;
    constexpr int kSteps = 400;
    constexpr double td = 1.0;  // time in bits
    std::vector<double> g(static_cast<std::size_t>(kSpan));
    double squares = 0.0;
    for (int u = 0; u < kSpan; ++u) {
        const double t = static_cast<double>(u) / kBitPeriodScaled - kSymbolReach - 0.5 * td;
        double sum = 0.0;
        for (int k = 0; k < kSteps; ++k) {
            const double f = (k + 0.5) * (2.0 / td) / kSteps;
            sum += std::cos(std::numbers::pi * f * td / 4.0) *
                   std::sin(std::numbers::pi * f * td / 2.0) *
                   std::sin(2.0 * std::numbers::pi * f * t);
        }
        g[static_cast<std::size_t>(u)] = -sum;
        squares += sum * sum;
    }
    const double scale = std::sqrt(0.5 / (squares / kBitPeriodScaled));
    std::vector<float> symbol(g.size());
    for (std::size_t u = 0; u < g.size(); ++u) {
        symbol[u] = static_cast<float>(g[u] * scale);
    }
    return symbol;
}

void CStereoEncoder::SetPilotOffset(double hertz) {
    m_fOffsetStep = hertz == 0.0 ? 0.0 : 2.0 * std::numbers::pi * (19000.0 + hertz) / kSampleRate;
}

void CStereoEncoder::Process(const float* left, const float* right, int count, float* mpx) {
    auto phase = static_cast<std::size_t>(m_nSample % kPilotPeriod);
    for (int i = 0; i < count; ++i, ++m_nSample) {
        float pilot = m_pilot[phase];
        float stereo = m_stereo[phase];
        float rdsCarrier = m_rdsCarrier[phase];
        if (m_fOffsetStep != 0.0) {
            pilot = static_cast<float>(std::sin(m_fTheta));
            stereo = static_cast<float>(std::sin(2.0 * m_fTheta));
            rdsCarrier = static_cast<float>(std::sin(3.0 * m_fTheta));
            m_fTheta = std::remainder(m_fTheta + m_fOffsetStep, 2.0 * std::numbers::pi);
        }
        const float sum = 0.5f * (left[i] + right[i]);
        float x = sum;
        if (m_bStereo) {
            const float difference = 0.5f * (left[i] - right[i]);
            x += difference * stereo + m_fPilot * pilot;
        }
        if (m_fRds != 0.0f) {
            x += m_fRds * RdsBaseband() * rdsCarrier;
        }
        mpx[i] = x;
        if (++phase == kPilotPeriod) {
            phase = 0;
        }
    }
}

// The sum of the shaped symbols of the bits around the current sample; bits before the first
// and after the last are taken as coded zeros.
float CStereoEncoder::RdsBaseband() const {
    const std::int64_t scaled = m_nSample * 19;
    const std::int64_t bit = scaled / kBitPeriodScaled;
    const std::int64_t within = scaled % kBitPeriodScaled;
    float sum = 0.0f;
    for (std::int64_t b = bit - kSymbolReach; b <= bit + kSymbolReach; ++b) {
        const bool one = b >= 0 && b < static_cast<std::int64_t>(m_coded.size()) &&
                         m_coded[static_cast<std::size_t>(b)] != 0;
        const std::int64_t at = (bit - b + kSymbolReach) * kBitPeriodScaled + within;
        sum += (one ? 1.0f : -1.0f) * m_biphase[static_cast<std::size_t>(at)];
    }
    return sum;
}

}  // namespace tavik
