#pragma once

#include <array>
#include <complex>
#include <cstdint>

#include "tools/GeneratorOptions.h"
#include "tools/Random.h"

namespace tavik {

// The RF level that goes with the multiplex, in ADC units: a mean level with slow fading and
// noise, its linear amplitude coupled to the instantaneous deviation f (kHz) of the same
// sample as a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3), the way multipath reception couples them.
class CLevelSynth {
public:
    explicit CLevelSynth(const CGeneratorOptions& options);

    // Level samples for `count` MPX samples (ADC units, 6000 = 19 kHz).
    void NextBlock(const std::int16_t* mpx, std::int16_t* out, int count);

    double MeanLevel() const;  // dBuV, mean of the levels written so far

    // The ADC value whose level by (r + 32767) * 0.0011444092 + 22.5 is nearest to `dBuV`;
    // clamped to the ADC range.
    static std::int16_t LevelToAdc(double dBuV);
    // That conversion, in single precision as the receiver does it.
    static float AdcToLevel(std::int16_t raw);

private:
    std::array<double, 3> m_coupling;  // c0, c1, c2
    double m_fMean;
    float m_fNoise;
    CRandom m_random;
    // Slow fading: two sines of incommensurate periods with random phases.
    std::array<std::complex<double>, 2> m_fade;
    std::array<std::complex<double>, 2> m_fadeStep;
    std::array<double, 2> m_fadeDepth;
    double m_fSum = 0.0;
    std::int64_t m_nCount = 0;
};

}  // namespace tavik
