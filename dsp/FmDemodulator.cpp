#include "dsp/FmDemodulator.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>

namespace tavik {

CFmDemodulator::CFmDemodulator(double rate, double hertzPerUnit)
    // liquid's discriminator gives the phase step over 2 pi kf: kf = hertzPerUnit / rate makes
    // that the unit's.
    : m_pDiscriminator(freqdem_create(static_cast<float>(hertzPerUnit / rate))) {}

void CFmDemodulator::Reset() {
    freqdem_reset(m_pDiscriminator.get());
}

int CFmDemodulator::Process(const std::complex<float>* in, int count, float* frequency,
                            float* envelope) {
    if (count <= 0) {
        return 0;
    }
    // liquid takes the input without const; it only reads it.
    freqdem_demodulate_block(m_pDiscriminator.get(), const_cast<std::complex<float>*>(in),
                             static_cast<unsigned>(count), frequency);
    // The magnitude without std::abs's guard against overflow (hypotf), which IQ of full
    // scale 1 does not need: a loop the compiler vectorises.
    for (int i = 0; i < count; ++i) {
        envelope[i] = std::sqrt(in[i].real() * in[i].real() + in[i].imag() * in[i].imag());
    }
    return count;
}

}  // namespace tavik
