#pragma once

#include <array>
#include <complex>
#include <vector>

#include "dsp/LiquidHandles.h"

namespace tavik {

struct CFmModulatorSettings {
    double fSampleRate = 1200000.0;  // IQ samples per second, at least 400000
    double fOffset = 0.0;            // Hz of the carrier from the IQ's 0 Hz
    double fFullScaleDbuv = 100.0;   // dBuV of a carrier at amplitude 1.0
    double fEchoDelay = 0.0;         // s; 0: no echo
    double fEchoGain = 0.0;          // the echo's amplitude relative to the direct ray
    // Hz, the radio frequency at the IQ's 0 Hz: the echo's carrier arrives turned by
    // 2 pi f tau at the radio frequency, wherever the capture is centred.
    double fCentre = 0.0;
};

// The transmitter and the channel for test signals: MPX samples at 200000/s in the receiver's
// ADC units (kMpxReferenceAmplitude for 19 kHz) frequency-modulate a carrier whose
// amplitude follows the RF level in dBuV; both are interpolated to the IQ rate by one filter,
// so they stay aligned. An optional second ray arrives later and weaker (two-ray multipath).
class CFmModulator {
public:
    static constexpr double kMpxRate = 200000.0;
    static constexpr int kMaxInput = 20000;  // MPX samples per Process call
    static constexpr double kMaxEchoDelay = 200e-6;

    explicit CFmModulator(const CFmModulatorSettings& settings);  // throws std::invalid_argument

    // Modulates `count` (<= kMaxInput) samples; writes MaxOutput(count) or fewer IQ samples to
    // `iq` and returns their number.
    int Process(const float* mpx, const float* levelDbuv, int count, std::complex<float>* iq);
    int MaxOutput(int count) const;

private:
    CFmModulatorSettings m_settings;
    unsigned m_nInterp = 1;
    unsigned m_nDecim = 1;
    CLiquidResampler m_pInterpolator;
    std::vector<std::complex<float>> m_baseband;  // mpx + j amplitude at 200 kHz, with carry
    std::vector<std::complex<float>> m_upsampled;
    int m_nCarry = 0;
    double m_fPhase = 0.0;
    double m_fHertzPerUnit;
    std::complex<float> m_echoTurn;  // the echo's gain and its carrier's turn over the delay
    // The direct ray's last amplitudes and phases, for the echo.
    struct SRay {
        float fAmplitude = 0.0f;
        double fPhase = 0.0;
    };
    std::array<SRay, 1024> m_history{};
    std::size_t m_nHistory = 0;
};

}  // namespace tavik
