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
// The coupling is the planted multipath plus the replayed receiver's own response, as its
// playback calibration block describes it: the analysis takes that block off its normalised
// fit, so after calibration it finds the planted coupling alone.
class CLevelSynth {
public:
    static constexpr double kRange = 110.0;  // kHz either side over which a(f) must stay positive

    explicit CLevelSynth(const CGeneratorOptions& options);

    // c0, c1, c2 of the level: the planted ones plus the receiver's k0, k1, k2.
    static std::array<double, 3> TotalCoupling(const std::array<double, 3>& multipath);
    // The deviation in -kRange ... kRange (kHz) where a(f) / c3 = 1 + c2 f + c1 f^2 + c0 f^3 is
    // lowest; `lowest` receives that value.
    static double LowestPoint(const std::array<double, 3>& coupling, double& lowest);

    // 20 lg a(f) / c3 of a coupling at the deviation of the MPX sample `mpx` (ADC units), in
    // single precision as NextBlock works it out.
    static float CouplingDb(const std::array<double, 3>& coupling, float mpx);

    // Level samples for `count` MPX samples (ADC units, 6000 = 19 kHz).
    void NextBlock(const std::int16_t* mpx, std::int16_t* out, int count);

    double MeanLevel() const;  // dBuV, mean of the levels written so far

    // The ADC value whose level by (r + 32767) * 0.0011444092 + 22.5 is nearest to `dBuV`;
    // clamped to the ADC range.
    static std::int16_t LevelToAdc(double dBuV);
    // That conversion, in single precision as the receiver does it.
    static float AdcToLevel(std::int16_t raw);

private:
    std::array<double, 3> m_coupling;  // c0, c1, c2, the receiver's response included
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
