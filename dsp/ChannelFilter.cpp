#include "dsp/ChannelFilter.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cstdint>

namespace tavik {

namespace {

constexpr double kCutoff = 200000.0;  // Hz
constexpr double kTransition = 120000.0;

}  // namespace

CChannelFilter::CChannelFilter(double rate, unsigned interp, unsigned decim, int maxInput)
    : m_nInterp(static_cast<int>(interp)), m_nDecim(static_cast<int>(decim)), m_group(decim) {
    if (interp == 1) {
        m_decimator.emplace(DecimatorTaps(rate, kCutoff, kTransition), decim, maxInput);
    } else {
        m_pResampler = MakeResampler(interp, decim, rate, kCutoff, kTransition);
    }
}

void CChannelFilter::Reset() {
    if (m_decimator) {
        m_decimator->Reset();
    } else {
        rresamp_crcf_reset(m_pResampler.get());
    }
    m_nWaiting = 0;
}

int CChannelFilter::MaxOutput(int count) const {
    const auto decim = static_cast<std::uint64_t>(m_nDecim);
    const std::uint64_t groups = (static_cast<std::uint64_t>(count) + decim) / decim;
    return static_cast<int>(groups * static_cast<std::uint64_t>(m_nInterp));
}

int CChannelFilter::Process(const std::complex<float>* in, int count, std::complex<float>* out) {
    return m_decimator ? m_decimator->Process(in, count, out) : Resample(in, count, out);
}

int CChannelFilter::Resample(const std::complex<float>* in, int count, std::complex<float>* out) {
    // liquid takes the input without const; it only reads it.
    auto* x = const_cast<std::complex<float>*>(in);
    int produced = 0;
    if (m_nWaiting > 0) {
        // The group begun in the last call, completed from this one's first samples.
        const int fill = std::min(count, m_nDecim - m_nWaiting);
        std::copy_n(x, fill, m_group.begin() + m_nWaiting);
        m_nWaiting += fill;
        x += fill;
        count -= fill;
        if (m_nWaiting < m_nDecim) {
            return 0;
        }
        rresamp_crcf_execute(m_pResampler.get(), m_group.data(), out);
        produced = m_nInterp;
        m_nWaiting = 0;
    }
    const int groups = count / m_nDecim;
    rresamp_crcf_execute_block(m_pResampler.get(), x, static_cast<unsigned>(groups),
                               out + produced);
    m_nWaiting = count - groups * m_nDecim;
    std::copy_n(x + groups * m_nDecim, m_nWaiting, m_group.begin());
    return produced + groups * m_nInterp;
}

}  // namespace tavik
