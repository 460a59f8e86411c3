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
    // A biphase symbol: one sine period per bit, positive half first for a coded 1; smooth
    // at the bit edges, so the spectrum stays within about 2.4 kHz of 57 kHz.
    for (int p = 0; p < kBitPeriodScaled; ++p) {
        m_biphase[static_cast<std::size_t>(p)] =
            static_cast<float>(std::sin(2.0 * std::numbers::pi * p / kBitPeriodScaled));
    }
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
            const std::int64_t scaled = m_nSample * 19;
            const auto bit = static_cast<std::size_t>(scaled / kBitPeriodScaled);
            const float symbol = bit < m_coded.size() && m_coded[bit] != 0 ? 1.0f : -1.0f;
            x += m_fRds * symbol * m_biphase[static_cast<std::size_t>(scaled % kBitPeriodScaled)] *
                 rdsCarrier;
        }
        mpx[i] = x;
        if (++phase == kPilotPeriod) {
            phase = 0;
        }
    }
}

}  // namespace tavik
