#include "dsp/ChannelMeter.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <cmath>
#include <string>

#include "dsp/FmReceiver.h"

namespace tavik {

CChannelMeter::CChannelMeter(double sampleRate, double offset, double halfWidth)
    : m_window(kSize), m_in(kSize), m_out(kSize) {
    if (std::fabs(offset) + halfWidth > sampleRate / 2.0) {
        throw CDspError("the channel " + std::to_string(std::lround(offset / 1e3)) +
                        " kHz from the centre is not inside the " +
                        std::to_string(std::lround(sampleRate / 1e3)) + " kHz the IQ covers");
    }
    double energy = 0.0;
    for (int n = 0; n < kSize; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * n / kSize);
        m_window[static_cast<std::size_t>(n)] = static_cast<float>(w);
        energy += w * w;
    }
    // Parseval: the bins of a windowed carrier of amplitude A sum to kSize * energy * A^2.
    m_fScale = static_cast<float>(1.0 / (kSize * energy));
    const double binWidth = sampleRate / kSize;
    for (int k = 0; k < kSize; ++k) {
        const double frequency = (k < kSize / 2 ? k : k - kSize) * binWidth;
        if (std::fabs(frequency - offset) <= halfWidth) {
            m_bins.push_back(k);
        }
    }
    m_pFft.reset(fft_create_plan(kSize, m_in.data(), m_out.data(), LIQUID_FFT_FORWARD, 0));
}

CChannelMeter::~CChannelMeter() = default;

float CChannelMeter::Measure(const std::complex<float>* iq) {
    for (std::size_t n = 0; n < m_in.size(); ++n) {
        m_in[n] = iq[n] * m_window[n];
    }
    fft_execute(m_pFft.get());
    float sum = 0.0f;
    for (const int k : m_bins) {
        sum += std::norm(m_out[static_cast<std::size_t>(k)]);
    }
    return sum * m_fScale;
}

}  // namespace tavik
