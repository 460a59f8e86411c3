#include "dsp/RdsDemodulator.h"

#include <complex>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/LiquidHandles.h"

namespace tavik {

namespace {

// 200 kHz by 8 to 25 kHz: flat to 4 kHz, 60 dB down from 21 kHz, which folds onto -4 kHz.
constexpr unsigned kFirstDecim = 8;
constexpr double kFirstRate = 25000.0;
constexpr double kFirstCutoff = 12500.0;
constexpr double kFirstTransition = 17000.0;
constexpr unsigned kInterp = 19;  // 25000 * 19 / 25 = 19000 = 16 * 1187.5
constexpr unsigned kDecim = 25;
// The biphase spectrum reaches 2.4 kHz; L-R ends 4 kHz below the subcarrier.
constexpr double kCutoff = 3200.0;
constexpr double kTransition = 1600.0;
// Costas loop gains (per sample at 19000/s, a loop of about 20 Hz) and the averaging of the
// clock's energy per phase (about 100 bits).
constexpr float kLoopAlpha = 0.02f;
constexpr float kLoopBeta = 0.0001f;
constexpr float kEnergyAverage = 1.0f / 100.0f;

}  // namespace

CRdsDemodulator::CRdsDemodulator(int maxInput)
    : m_decimator(DecimatorTaps(kMpxRate, kFirstCutoff, kFirstTransition), kFirstDecim, maxInput),
      m_resampler(ResamplerTaps(kInterp, kFirstRate, kCutoff, kTransition), kInterp, kDecim,
                  maxInput / static_cast<int>(kFirstDecim) + 1),
      m_mixed(static_cast<std::size_t>(maxInput)),
      m_decimated(static_cast<std::size_t>(maxInput) / kFirstDecim + 1),
      m_baseband(
          static_cast<std::size_t>(m_resampler.MaxOutput(static_cast<int>(m_decimated.size())))) {
    for (std::size_t n = 0; n < m_carrier.size(); ++n) {
        const double theta = -2.0 * std::numbers::pi * 57.0 * static_cast<double>(n) / 200.0;
        m_carrier[n] = {static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta))};
    }
    for (int k = 0; k < kSamplesPerBit; ++k) {
        m_shape[static_cast<std::size_t>(k)] =
            static_cast<float>(std::sin(2.0 * std::numbers::pi * (k + 0.5) / kSamplesPerBit));
    }
}

int CRdsDemodulator::Process(const float* mpx, int count, std::uint8_t* bits) {
    std::complex<float>* mixed = m_mixed.data();
    for (int i = 0; i < count; ++i) {
        mixed[i] = mpx[i] * m_carrier[static_cast<std::size_t>(m_nCarrierIndex)];
        if (++m_nCarrierIndex == static_cast<int>(m_carrier.size())) {
            m_nCarrierIndex = 0;
        }
    }
    const int decimated = m_decimator.Process(mixed, count, m_decimated.data());
    const int baseband = m_resampler.Process(m_decimated.data(), decimated, m_baseband.data());
    int produced = 0;
    for (int i = 0; i < baseband; ++i) {
        Symbol(m_baseband[static_cast<std::size_t>(i)], bits, produced);
    }
    return produced;
}

void CRdsDemodulator::Symbol(std::complex<float> baseband, std::uint8_t* bits, int& produced) {
    // Costas loop: the BPSK signal's real part carries the symbols, I * Q is the phase error.
    const std::complex<float> y = baseband * std::polar(1.0f, -m_fPhase);
    m_fPower += (std::norm(y) - m_fPower) * 0.001f;
    // Normalised by the mean power and bounded, so that the filters' start-up transient
    // cannot throw the loop's frequency far off.
    const float error = std::clamp(y.real() * y.imag() / (m_fPower + 1e-20f), -0.5f, 0.5f);
    m_fFrequency += kLoopBeta * error;
    m_fPhase += m_fFrequency + kLoopAlpha * error;
    m_fPhase = std::remainder(m_fPhase, 2.0f * std::numbers::pi_v<float>);

    m_history[static_cast<std::size_t>(m_nHistory)] = y.real();
    m_nHistory = (m_nHistory + 1) % kSamplesPerBit;
    float matched = 0.0f;
    for (int k = 0; k < kSamplesPerBit; ++k) {
        matched += m_shape[static_cast<std::size_t>(k)] *
                   m_history[static_cast<std::size_t>((m_nHistory + k) % kSamplesPerBit)];
    }

    // Symbol clock: decide where the matched filter has most energy; when that place moves,
    // the next decision follows it, but never sooner than half a bit after the last.
    float& energy = m_energy[static_cast<std::size_t>(m_nPhase)];
    energy += (matched * matched - energy) * kEnergyAverage;
    ++m_nSinceDecision;
    if (m_nPhase == m_nDecisionPhase && m_nSinceDecision >= kSamplesPerBit / 2) {
        m_nSinceDecision = 0;
        const std::uint8_t coded = matched > 0.0f ? 1 : 0;
        bits[produced++] = static_cast<std::uint8_t>(coded ^ m_nPreviousCoded);
        m_nPreviousCoded = coded;
        // The best phase overall: half a bit off, the biphase energy has a local maximum
        // that a step-by-step search could stay in.
        const auto best =
            static_cast<int>(std::max_element(m_energy.begin(), m_energy.end()) - m_energy.begin());
        if (m_energy[static_cast<std::size_t>(best)] >
            m_energy[static_cast<std::size_t>(m_nDecisionPhase)] * 1.02f) {
            m_nDecisionPhase = best;
        }
    }
    m_nPhase = (m_nPhase + 1) % kSamplesPerBit;
}

}  // namespace tavik
