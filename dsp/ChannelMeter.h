#pragma once

#include <complex>
#include <vector>

#include "dsp/LiquidHandles.h"

namespace tavik {

// The power of one channel in IQ: a Hann-windowed spectrum of kSize samples, summed over the
// bins within `halfWidth` of the channel's offset from the IQ's 0 Hz and scaled so that a
// carrier of amplitude A reads A^2 wherever it lies in the channel, and white noise its power
// in the channel's bandwidth. Allocates nothing after construction.
class CChannelMeter {
public:
    static constexpr int kSize = 1024;

    // Throws CDspError when the channel does not lie inside the IQ's band.
    CChannelMeter(double sampleRate, double offset, double halfWidth);
    ~CChannelMeter();
    CChannelMeter(const CChannelMeter&) = delete;
    CChannelMeter& operator=(const CChannelMeter&) = delete;

    // The channel's mean power in kSize samples, in |IQ|^2 (1.0 for a carrier at 0 dBFS).
    float Measure(const std::complex<float>* iq);

private:
    std::vector<float> m_window;
    std::vector<int> m_bins;  // the channel's bins
    float m_fScale = 1.0f;    // from summed bins to power
    std::vector<std::complex<float>> m_in;
    std::vector<std::complex<float>> m_out;
    CLiquidFft m_pFft;
};

}  // namespace tavik
