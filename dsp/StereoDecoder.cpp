#include "dsp/StereoDecoder.h"

#include <cmath>
#include <numbers>

#include "dsp/LiquidHandles.h"

namespace tavik {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Second-order loop, updated once per millisecond: about 5 Hz wide, damping 0.8; pulls in
// pilots several hundred hertz off.
constexpr double kLoopPhaseGain = 0.05;
constexpr double kLoopStepGain = 0.001;
constexpr float kLevelSmoothing = 0.02f;  // per chunk: about 50 ms
// 15 kHz audio in two steps, cheaper than one long filter at the MPX rate: a short low-pass
// takes the MPX to the audio rate, keeping 0-17 kHz flat and nothing from 33 kHz up, so what
// folds down lands above 17 kHz; at the audio rate a sharp low-pass keeps 0-15 kHz and takes
// away the 19 kHz pilot and the folded band.
constexpr double kFoldCutoff = 25000.0;
constexpr double kFoldTransition = 16000.0;
constexpr double kAudioCutoff = 16000.0;
constexpr double kAudioTransition = 2000.0;

double Wrap(double phase) {
    return std::remainder(phase, kTwoPi);
}

}  // namespace

CStereoDecoder::CStereoDecoder(double deemphasis, float pilotThreshold, int maxInput)
    : m_fPilotThreshold(pilotThreshold),
      m_fDeemphasis(deemphasis > 0.0
                        ? static_cast<float>(1.0 - std::exp(-1.0 / (deemphasis * kMpxRate)))
                        : 1.0f),
      m_mono(RealDecimatorTaps(kMpxRate, kFoldCutoff, kFoldTransition, false), kDecimation,
             maxInput),
      m_difference(RealDecimatorTaps(kMpxRate, kFoldCutoff, kFoldTransition, false), kDecimation,
                   maxInput),
      m_monoAudio(RealDecimatorTaps(kAudioRate, kAudioCutoff, kAudioTransition, false), 1,
                  maxInput / kDecimation + 1),
      m_differenceAudio(RealDecimatorTaps(kAudioRate, kAudioCutoff, kAudioTransition, false), 1,
                        maxInput / kDecimation + 1),
      m_m(static_cast<std::size_t>(maxInput)),
      m_s(static_cast<std::size_t>(maxInput)) {
    for (int n = 0; n < kChunk; ++n) {
        const double theta = kTwoPi * 19.0 * n / kChunk;  // 19 periods per chunk
        m_cos[static_cast<std::size_t>(n)] = static_cast<float>(std::cos(theta));
        m_sin[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(theta));
        m_cos2[static_cast<std::size_t>(n)] = static_cast<float>(std::cos(2.0 * theta));
        m_sin2[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(2.0 * theta));
    }
}

void CStereoDecoder::Reset() {
    m_fPhase = m_fStep = 0.0;
    m_fCarrierCos = 1.0f;
    m_fCarrierSin = 0.0f;
    m_sum = {};
    m_nPosition = 0;
    m_fLevel = 0.0f;
    m_bStereo = false;
    m_coherent = {};
    m_fAdvance = 0.0;
    m_nChunks = 0;
    m_mono.Reset();
    m_difference.Reset();
    m_monoAudio.Reset();
    m_differenceAudio.Reset();
    m_fDeM = m_fDeS = 0.0f;
}

int CStereoDecoder::Process(const float* mpx, int count, float* left, float* right) {
    for (int i = 0; i < count; ++i) {
        const auto n = static_cast<std::size_t>(m_nPosition);
        const float x = mpx[i];
        m_sum += std::complex<double>(x * m_cos[n], -x * m_sin[n]);
        // 2 sin(2(theta + phase)): the sidebands' (L-R)/2 sin(2 theta) times it give (L-R)/2.
        const float carrier = m_sin2[n] * m_fCarrierCos + m_cos2[n] * m_fCarrierSin;
        const float s = m_bStereo ? 2.0f * x * carrier : 0.0f;
        // De-emphasis at the MPX rate, where the one-pole filter follows the analogue curve
        // closely (at the audio rate it fell 0.6 dB short at 10 kHz).
        m_fDeM += m_fDeemphasis * (x - m_fDeM);
        m_fDeS += m_fDeemphasis * (s - m_fDeS);
        m_m[static_cast<std::size_t>(i)] = m_fDeM;
        m_s[static_cast<std::size_t>(i)] = m_fDeS;
        if (++m_nPosition == kChunk) {
            EndChunk();
        }
    }
    const int produced = m_mono.Process(m_m.data(), count, m_m.data());
    m_difference.Process(m_s.data(), count, m_s.data());
    m_monoAudio.Process(m_m.data(), produced, m_m.data());
    m_differenceAudio.Process(m_s.data(), produced, m_s.data());
    for (int i = 0; i < produced; ++i) {
        const auto k = static_cast<std::size_t>(i);
        left[i] = m_m[k] + m_s[k];
        right[i] = m_m[k] - m_s[k];
    }
    return produced;
}

// The chunk's sum of A sin(theta + phase) against exp(-j theta) is (A kChunk / 2) exp(j(phase -
// pi/2)); turned by j and by the loop's phase it leaves the loop's phase error.
void CStereoDecoder::EndChunk() {
    m_nPosition = 0;
    const double middle = m_fPhase + 0.5 * m_fStep;
    const std::complex<double> derotated =
        m_sum * std::complex<double>(0.0, 1.0) * std::polar(1.0, -middle);
    m_sum = {};
    const double error = std::abs(derotated) > 0.0 ? std::arg(derotated) : 0.0;
    const double advance = m_fStep + kLoopPhaseGain * error;
    m_fPhase = Wrap(m_fPhase + advance);
    m_fStep += kLoopStepGain * error;
    m_coherent += derotated;
    m_fAdvance += advance;
    ++m_nChunks;

    const auto amplitude = static_cast<float>(2.0 * std::abs(derotated) / kChunk);
    m_fLevel += kLevelSmoothing * (amplitude - m_fLevel);
    m_bStereo = m_fLevel >= m_fPilotThreshold;
    const double next = 2.0 * (m_fPhase + 0.5 * m_fStep);
    m_fCarrierCos = static_cast<float>(std::cos(next));
    m_fCarrierSin = static_cast<float>(std::sin(next));
}

CPilotFigures CStereoDecoder::TakePilotFigures() {
    CPilotFigures figures;
    figures.nChunks = m_nChunks;
    if (m_nChunks > 0) {
        figures.fAmplitude = static_cast<float>(2.0 * std::abs(m_coherent) / kChunk / m_nChunks);
        figures.fOffset = static_cast<float>(m_fAdvance / kTwoPi /
                                             (static_cast<double>(m_nChunks) * kChunk) * kMpxRate);
    }
    m_coherent = {};
    m_fAdvance = 0.0;
    m_nChunks = 0;
    return figures;
}

}  // namespace tavik
