#pragma once

#include <complex>

#include "dsp/LiquidHandles.h"

namespace tavik {

// The FM channel's two readings per sample: the frequency by a quadrature discriminator (the
// phase step over one sample), in units of `hertzPerUnit` Hz, and the envelope (the magnitude).
// Allocates nothing.
class CFmDemodulator {
public:
    // `rate`: samples per second of the channel.
    CFmDemodulator(double rate, double hertzPerUnit);

    // The discriminator forgets the last sample: the next step is taken from 0.
    void Reset();
    // Writes `count` samples to each of `frequency` and `envelope`; returns `count`.
    int Process(const std::complex<float>* in, int count, float* frequency, float* envelope);

private:
    CLiquidFreqDem m_pDiscriminator;
};

}  // namespace tavik
