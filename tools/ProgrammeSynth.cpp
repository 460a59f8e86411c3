#include "tools/ProgrammeSynth.h"

#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kTempo = 2.0;                // beats per second
constexpr double kEmphasisTime = 50e-6;       // s, European pre-emphasis
constexpr double kEmphasisPoleTime = 4.5e-6;  // s, keeps the boost finite above 35 kHz
constexpr double kAudioBandwidth = 15000.0;   // Hz
constexpr double kNoiseBandwidth = 11000.0;   // Hz
constexpr double kButterworthQ[2] = {0.5411961, 1.3065630};  // 4th order

// Pentatonic notes over three octaves, in Hz, starting at A2.
double Note(int index) {
    static const int kSteps[5] = {0, 2, 4, 7, 9};
    const int semitone = 12 * (index / 5) + kSteps[index % 5];
    return 110.0 * std::pow(2.0, semitone / 12.0);
}

}  // namespace

CBiquad CBiquad::LowPass(double cutoffHz, double q, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * cutoffHz / sampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cosw = std::cos(w);
    const double a0 = 1.0 + alpha;
    CBiquad f;
    f.b0 = static_cast<float>((1.0 - cosw) / 2.0 / a0);
    f.b1 = static_cast<float>((1.0 - cosw) / a0);
    f.b2 = f.b0;
    f.a1 = static_cast<float>(-2.0 * cosw / a0);
    f.a2 = static_cast<float>((1.0 - alpha) / a0);
    return f;
}

CProgrammeSynth::CProgrammeSynth(std::uint64_t seed, double sampleRate)
    : m_random(seed),
      m_fSampleRate(sampleRate),
      m_nSamplesPerBeat(static_cast<std::int64_t>(sampleRate / kTempo)) {
    for (int i = 0; i < 2; ++i) {
        m_noiseLeft[i] = CBiquad::LowPass(kNoiseBandwidth, kButterworthQ[i], sampleRate);
        m_noiseRight[i] = m_noiseLeft[i];
        m_bandLeft[i] = CBiquad::LowPass(kAudioBandwidth, kButterworthQ[i], sampleRate);
        m_bandRight[i] = m_bandLeft[i];
    }
    // Pre-emphasis (1 + s t1) / (1 + s t2) by the bilinear transform.
    const double k = 2.0 * sampleRate;
    const double d = 1.0 + k * kEmphasisPoleTime;
    m_emphasisLeft.b0 = static_cast<float>((1.0 + k * kEmphasisTime) / d);
    m_emphasisLeft.b1 = static_cast<float>((1.0 - k * kEmphasisTime) / d);
    m_emphasisLeft.a1 = static_cast<float>((1.0 - k * kEmphasisPoleTime) / d);
    m_emphasisRight = m_emphasisLeft;
    // Bass in the middle, the two upper voices to either side.
    const float pans[3][2] = {{0.5f, 0.5f}, {0.75f, 0.25f}, {0.2f, 0.8f}};
    for (std::size_t v = 0; v < m_voices.size(); ++v) {
        m_voices[v].fPanLeft = pans[v][0];
        m_voices[v].fPanRight = pans[v][1];
    }
    const double phraseSeconds = m_random.Uniform(7.0, 11.0);
    const double phraseStart = m_random.Uniform(0.0, 2.0 * std::numbers::pi);
    m_phrase = std::polar(1.0, phraseStart);
    m_phraseStep = std::polar(1.0, 2.0 * std::numbers::pi / (phraseSeconds * sampleRate));
    NextBeat();
}

void CProgrammeSynth::NextBeat() {
    // New notes: bass in the lowest octave, the others higher up; each with its own decay.
    const int lowest[3] = {0, 5, 10};
    const float gains[3] = {0.55f, 0.35f, 0.25f};
    for (std::size_t v = 0; v < m_voices.size(); ++v) {
        Voice& voice = m_voices[v];
        const double hz = Note(lowest[v] + static_cast<int>(m_random.Next() % 5));
        voice.step = std::polar(1.0, 2.0 * std::numbers::pi * hz / m_fSampleRate);
        // Restart from an exact phase so that rounding never accumulates across beats.
        voice.phasor = std::polar(1.0, std::arg(voice.phasor));
        voice.fGain = gains[v] * static_cast<float>(m_random.Uniform(0.6, 1.0));
        voice.fEnvelope = 1.0f;
        const double decaySeconds = m_random.Uniform(0.3, 1.2);
        voice.fDecay = static_cast<float>(std::exp(-1.0 / (decaySeconds * m_fSampleRate)));
    }
    m_fHit = static_cast<float>(m_random.Uniform(0.5, 1.0));
    m_fHitDecay = static_cast<float>(std::exp(-1.0 / (0.08 * m_fSampleRate)));
    m_phrase /= std::abs(m_phrase);
}

void CProgrammeSynth::Process(float* left, float* right, int count) {
    for (int i = 0; i < count; ++i) {
        if (m_nBeatPosition++ >= m_nSamplesPerBeat) {
            m_nBeatPosition = 1;
            NextBeat();
        }
        float l = 0.0f;
        float r = 0.0f;
        for (Voice& voice : m_voices) {
            voice.phasor *= voice.step;
            const float s = static_cast<float>(voice.phasor.imag()) * voice.fGain * voice.fEnvelope;
            voice.fEnvelope *= voice.fDecay;
            l += s * voice.fPanLeft;
            r += s * voice.fPanRight;
        }
        // Noise: a common part in both channels and a part of each channel's own.
        const float common = m_random.Gaussian();
        const float noiseLeft = 0.7f * common + 0.3f * m_random.Gaussian();
        const float noiseRight = 0.7f * common + 0.3f * m_random.Gaussian();
        const float noiseGain = 0.35f + 0.6f * m_fHit;
        m_fHit *= m_fHitDecay;
        l += noiseGain * m_noiseLeft[1].Process(m_noiseLeft[0].Process(noiseLeft));
        r += noiseGain * m_noiseRight[1].Process(m_noiseRight[0].Process(noiseRight));
        // Phrases swell and fade between about -6 dB and 0 dB.
        m_phrase *= m_phraseStep;
        const float phrase = 0.75f + 0.25f * static_cast<float>(m_phrase.imag());
        l = m_emphasisLeft.Process(l * phrase);
        r = m_emphasisRight.Process(r * phrase);
        left[i] = m_bandLeft[1].Process(m_bandLeft[0].Process(l));
        right[i] = m_bandRight[1].Process(m_bandRight[0].Process(r));
    }
}

}  // namespace tavik
