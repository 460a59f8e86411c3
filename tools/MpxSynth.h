#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/SampleBlock.h"
#include "tools/AudioProcessor.h"
#include "tools/GeneratorOptions.h"
#include "tools/ProgrammeSynth.h"
#include "tools/StereoEncoder.h"

namespace tavik {

// The station's multiplex in ADC units (6000 = 19 kHz deviation), block by block: programme
// (or a test tone), processor, stereo encoder, rounding to signed 16 bits. Keeps the peak and
// the mean square of everything it produced for the summary.
class CMpxSynth {
public:
    static constexpr double kReference = kMpxReferenceAmplitude;  // ADC units
    static constexpr double kFullModulation = 75.0;               // kHz, 0 dB of a channel

    CMpxSynth(const CGeneratorOptions& options, const std::vector<std::uint8_t>& transmittedBits);

    void NextBlock(std::int16_t* out, int count);

    double PeakDeviation() const;  // kHz
    double PowerDbr() const;       // 10 log10(2 m / 6000^2), m the mean square so far

    static float ToAdc(double kilohertz) {
        return static_cast<float>(kilohertz / kMpxReferenceDeviation * kReference);
    }

private:
    CStereoEncoder m_encoder;
    std::unique_ptr<CProgrammeSynth> m_pProgramme;  // null in tone mode
    std::unique_ptr<CAudioProcessor> m_pProcessor;
    std::complex<double> m_tone{1.0, 0.0};
    std::complex<double> m_toneStep{1.0, 0.0};
    float m_fToneAmplitude = 0.0f;  // left channel's
    float m_fRightAmplitude = 0.0f;
    std::int64_t m_nSilenceFrom = 0;  // samples
    std::int64_t m_nSilenceTo = 0;
    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<float> m_mpx;
    int m_nPeak = 0;
    double m_fSquares = 0.0;
    std::int64_t m_nSamples = 0;
};

}  // namespace tavik
