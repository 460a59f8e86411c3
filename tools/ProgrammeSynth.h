#pragma once

#include <array>
#include <complex>
#include <cstdint>

#include "tools/Random.h"

namespace tavik {

// Second-order IIR section (direct form I), coefficients normalised to a0 = 1.
struct CBiquad {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    static CBiquad LowPass(double cutoffHz, double q, double sampleRate);
    float Process(float x) {
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Stereo programme at the MPX sample rate, about unit scale: three voices of tones that change
// note on every beat, band-limited noise struck on the beats, a slow phrase envelope, each
// channel pre-emphasised with 50 us and limited to 15 kHz. Oscillators are recursive phasors.
class CProgrammeSynth {
public:
    CProgrammeSynth(std::uint64_t seed, double sampleRate);

    void Process(float* left, float* right, int count);

private:
    struct Voice {
        std::complex<double> phasor{1.0, 0.0};
        std::complex<double> step{1.0, 0.0};
        float fEnvelope = 0.0f;
        float fDecay = 1.0f;
        float fGain = 0.0f;
        float fPanLeft = 0.5f;
        float fPanRight = 0.5f;
    };
    struct Emphasis {
        float b0 = 1, b1 = 0, a1 = 0, x1 = 0, y1 = 0;
        float Process(float x) {
            const float y = b0 * x + b1 * x1 - a1 * y1;
            x1 = x;
            y1 = y;
            return y;
        }
    };

    void NextBeat();

    CRandom m_random;
    double m_fSampleRate;
    std::int64_t m_nSamplesPerBeat;
    std::int64_t m_nBeatPosition = 0;
    std::array<Voice, 3> m_voices;
    float m_fHit = 0.0f;       // noise envelope, struck on every beat
    float m_fHitDecay = 1.0f;  // per sample
    std::complex<double> m_phrase{1.0, 0.0};
    std::complex<double> m_phraseStep{1.0, 0.0};
    std::array<CBiquad, 2> m_noiseLeft;
    std::array<CBiquad, 2> m_noiseRight;
    std::array<CBiquad, 2> m_bandLeft;  // 15 kHz after pre-emphasis
    std::array<CBiquad, 2> m_bandRight;
    Emphasis m_emphasisLeft;
    Emphasis m_emphasisRight;
};

}  // namespace tavik
