#include "dsp/FmModulator.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <stdexcept>

#include "platform/SampleBlock.h"

namespace tavik {

namespace {

// MPX to 70 kHz is kept (RDS ends at 60 kHz); the images from 130 kHz on are removed.
constexpr double kCutoff = 100000.0;
constexpr double kTransition = 60000.0;

}  // namespace

CFmModulator::CFmModulator(const CFmModulatorSettings& settings)
    : m_settings(settings),
      m_fHertzPerUnit(kMpxReferenceDeviation * 1000.0 /
                      static_cast<double>(kMpxReferenceAmplitude)) {
    const auto rate = static_cast<std::uint64_t>(std::llround(settings.fSampleRate));
    if (rate < 400000 || static_cast<double>(rate) != settings.fSampleRate) {
        throw std::invalid_argument("the IQ rate must be a whole number of at least 400000 Hz");
    }
    const std::uint64_t divisor = std::gcd(rate, std::uint64_t{200000});
    m_nInterp = static_cast<unsigned>(rate / divisor);
    m_nDecim = static_cast<unsigned>(200000 / divisor);
    if (m_nDecim > 200 || m_nInterp > 5000) {
        throw std::invalid_argument("the IQ rate cannot be reached from 200000 Hz");
    }
    if (settings.fEchoDelay < 0.0 || settings.fEchoDelay > kMaxEchoDelay ||
        settings.fEchoDelay * settings.fSampleRate + 2.0 >= static_cast<double>(m_history.size())) {
        throw std::invalid_argument("the echo delay must lie within 0 to 200 us");
    }
    // The centre's share of the delay's phase: the offset's share is in the ray's history.
    const double turn =
        -2.0 * std::numbers::pi * std::remainder(settings.fCentre * settings.fEchoDelay, 1.0);
    m_echoTurn = std::polar(static_cast<float>(settings.fEchoGain), static_cast<float>(turn));
    m_pInterpolator = MakeResampler(m_nInterp, m_nDecim, kMpxRate, kCutoff, kTransition);
    m_baseband.resize(static_cast<std::size_t>(kMaxInput) + m_nDecim);
    m_upsampled.resize(static_cast<std::size_t>(MaxOutput(kMaxInput)));
}

int CFmModulator::MaxOutput(int count) const {
    return static_cast<int>((static_cast<std::uint64_t>(count) + m_nDecim) / m_nDecim * m_nInterp);
}

int CFmModulator::Process(const float* mpx, const float* levelDbuv, int count,
                          std::complex<float>* iq) {
    for (int i = 0; i < count; ++i) {
        const double amplitude = std::pow(10.0, (levelDbuv[i] - m_settings.fFullScaleDbuv) / 20.0);
        m_baseband[static_cast<std::size_t>(m_nCarry + i)] = {mpx[i],
                                                              static_cast<float>(amplitude)};
    }
    const int total = m_nCarry + count;
    const int groups = total / static_cast<int>(m_nDecim);
    rresamp_crcf_execute_block(m_pInterpolator.get(), m_baseband.data(),
                               static_cast<unsigned>(groups), m_upsampled.data());
    const int used = groups * static_cast<int>(m_nDecim);
    m_nCarry = total - used;
    for (int i = 0; i < m_nCarry; ++i) {
        m_baseband[static_cast<std::size_t>(i)] = m_baseband[static_cast<std::size_t>(used + i)];
    }

    const double rate = m_settings.fSampleRate;
    const double delay = m_settings.fEchoDelay * rate;  // samples
    const auto whole = static_cast<std::size_t>(delay);
    const auto fraction = static_cast<float>(delay - static_cast<double>(whole));
    const auto echoGain = static_cast<float>(m_settings.fEchoGain);
    const std::size_t mask = m_history.size() - 1;
    const int produced = groups * static_cast<int>(m_nInterp);
    for (int i = 0; i < produced; ++i) {
        const std::complex<float> sample = m_upsampled[static_cast<std::size_t>(i)];
        const double hertz = m_settings.fOffset + sample.real() * m_fHertzPerUnit;
        m_fPhase = std::remainder(m_fPhase + 2.0 * std::numbers::pi * hertz / rate,
                                  2.0 * std::numbers::pi);
        m_history[m_nHistory & mask] = {sample.imag(), m_fPhase};
        std::complex<float> out = std::polar(sample.imag(), static_cast<float>(m_fPhase));
        if (echoGain != 0.0f) {
            // The echo between the samples `whole` and `whole + 1` ago, amplitude and phase
            // interpolated apart (the phasor turns too fast to interpolate it).
            const SRay& a = m_history[(m_nHistory - whole) & mask];
            const SRay& b = m_history[(m_nHistory - whole - 1) & mask];
            const double phase =
                a.fPhase + fraction * std::remainder(b.fPhase - a.fPhase, 2.0 * std::numbers::pi);
            const float amplitude = a.fAmplitude + fraction * (b.fAmplitude - a.fAmplitude);
            out += m_echoTurn * std::polar(amplitude, static_cast<float>(phase));
        }
        ++m_nHistory;
        iq[i] = out;
    }
    return produced;
}

}  // namespace tavik
