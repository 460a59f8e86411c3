#include "dsp/ChannelFilter.h"

#include <algorithm>
#include <complex>
#include <cstdint>

#include "dsp/LiquidHandles.h"

namespace tavik {

namespace {

constexpr double kCutoff = 200000.0;  // Hz
constexpr double kTransition = 120000.0;

}  // namespace

CChannelFilter::CChannelFilter(double rate, unsigned interp, unsigned decim, int maxInput)
    : m_nInterp(static_cast<int>(interp)), m_nDecim(static_cast<int>(decim)) {
    if (interp == 1 && decim > 1) {
        m_decimator.emplace(DecimatorTaps(rate, kCutoff, kTransition), decim, maxInput);
    } else if (interp > 1) {
        m_resampler.emplace(ResamplerTaps(interp, rate, kCutoff, kTransition), interp, decim,
                            maxInput);
    } else {
        m_delay.resize(kDelayAt400k);
    }
}

void CChannelFilter::Reset() {
    if (m_decimator) {
        m_decimator->Reset();
    }
    if (m_resampler) {
        m_resampler->Reset();
    }
    std::fill(m_delay.begin(), m_delay.end(), std::complex<float>{});
}

int CChannelFilter::MaxOutput(int count) const {
    const auto decim = static_cast<std::uint64_t>(m_nDecim);
    const std::uint64_t groups = (static_cast<std::uint64_t>(count) + decim) / decim;
    return static_cast<int>(groups * static_cast<std::uint64_t>(m_nInterp));
}

int CChannelFilter::Process(const std::complex<float>* in, int count, std::complex<float>* out) {
    if (m_decimator) {
        return m_decimator->Process(in, count, out);
    }
    if (m_resampler) {
        return m_resampler->Process(in, count, out);
    }
    // The delay line: the samples that waited first, the last kDelayAt400k wait.
    if (count <= 0) {
        return 0;
    }
    const int delay = static_cast<int>(m_delay.size());
    if (count >= delay) {
        std::copy(m_delay.begin(), m_delay.end(), out);
        std::copy_n(in, count - delay, out + delay);
        std::copy_n(in + count - delay, delay, m_delay.begin());
    } else {
        std::copy_n(m_delay.begin(), count, out);
        std::copy(m_delay.begin() + count, m_delay.end(), m_delay.begin());
        std::copy_n(in, count, m_delay.end() - count);
    }
    return count;
}

}  // namespace tavik
