#include "dsp/Tuner.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

void CTuner::SetFrequency(double hertz, double rate) {
    m_step = std::complex<float>(std::polar(1.0, -2.0 * std::numbers::pi * hertz / rate));
}

void CTuner::Reset() {
    m_phasor = {1.0f, 0.0f};
    m_nTurns = 0;
    m_counts = {};
}

int CTuner::Process(const std::complex<float>* in, int count, std::complex<float>* out) {
    std::complex<float> phasor = m_phasor;
    const std::complex<float> step = m_step;
    int atLimit = 0;
    for (int start = 0; start < count;) {
        const int end = std::min(count, start + kRenormalise - m_nTurns);
        // Written out: std::complex's product guards against infinities branch by branch.
        float pr = phasor.real();
        float pi = phasor.imag();
        for (int i = start; i < end; ++i) {
            const float xr = in[i].real();
            const float xi = in[i].imag();
            atLimit += static_cast<int>(std::max(std::fabs(xr), std::fabs(xi)) >= kConverterLimit);
            out[i] = {xr * pr - xi * pi, xr * pi + xi * pr};
            const float nr = pr * step.real() - pi * step.imag();
            pi = pr * step.imag() + pi * step.real();
            pr = nr;
        }
        phasor = {pr, pi};
        m_nTurns += end - start;
        if (m_nTurns == kRenormalise) {
            phasor /= std::abs(phasor);
            m_nTurns = 0;
        }
        start = end;
    }
    m_phasor = phasor;
    m_counts.nSamples += std::max(count, 0);
    m_counts.nAtLimit += atLimit;
    return std::max(count, 0);
}

CTuner::SInputCounts CTuner::TakeInputCounts() {
    const SInputCounts counts = m_counts;
    m_counts = {};
    return counts;
}

}  // namespace tavik
