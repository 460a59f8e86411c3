#include "dsp/FmReceiver.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <numeric>

#include "platform/SampleBlock.h"

namespace tavik {

namespace {

constexpr unsigned kMaxInterp = 100;
// Samples the tuning phasor turns between its renormalisations.
constexpr int kPhasorRun = 1024;
// Channel filter: flat over the channel, 60 dB down from where the resampling would fold
// signals back into it (400 kHz - 140 kHz).
constexpr double kChannelCutoff = 200000.0;
constexpr double kChannelTransition = 120000.0;
// MPX: flat to 75 kHz (RDS ends at 60 kHz), down at 125 kHz which folds onto 75 kHz.
constexpr double kMpxCutoff = 100000.0;
constexpr double kMpxTransition = 50000.0;
// The MPX that is measured ends with the broadcast multiplex: flat to 61 kHz (RDS at 57 kHz
// +- 2.4), down from 91 kHz. The discriminator's noise rises with frequency, and what lies
// above the multiplex would only add to the deviation peaks (at C/N 20 dB the wider band read
// a 75 kHz peak as 85 kHz, this one as 81.5 kHz). The RDS bits come from the wider MPX, whose
// filter rings less at their subcarrier while the receiver starts.
constexpr double kBandCutoff = 76000.0;
constexpr int kBandTaps = 2 * CFmReceiver::kBandDelay + 1;

std::string Megahertz(double hertz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", hertz / 1e6);
    return text;
}

// A rate as it was given, in at most 10 digits: 1200000, 2048000.5, 1e+300.
std::string Hertz(double hertz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", hertz);
    return text;
}

}  // namespace

CFmReceiver::CFmReceiver(const CFmReceiverSettings& settings)
    : m_settings(settings),
      // At most one 400 kHz sample per IQ sample (the rate is at least 400 kHz), plus one
      // resampler group.
      m_noise(kChannelRate, kHertzPerUnit, kMaxInput + static_cast<int>(kMaxInterp)),
      m_rds(kMaxInput / 2 + 1) {
    const double rate = settings.fSampleRate;
    if (!(rate >= kMinimumSampleRate)) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) + " Hz is below the " +
                        Hertz(kMinimumSampleRate) + " Hz an FM channel needs");
    }
    if (!(rate <= kMaximumSampleRate)) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) + " Hz is above the " +
                        Hertz(kMaximumSampleRate) + " Hz the receiver takes");
    }
    const auto whole = static_cast<std::uint64_t>(std::llround(rate));
    const std::uint64_t divisor = std::gcd(whole, static_cast<std::uint64_t>(kChannelRate));
    m_nInterp = static_cast<unsigned>(static_cast<std::uint64_t>(kChannelRate) / divisor);
    m_nDecim = static_cast<unsigned>(whole / divisor);
    if (std::fabs(rate - static_cast<double>(whole)) > 1e-6 || m_nInterp > kMaxInterp) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) +
                        " Hz cannot be resampled to 400000 Hz (use a rate such as 1200000, "
                        "2048000 or 2400000)");
    }
    const double offset = settings.fStation - settings.fCentre;
    if (std::fabs(offset) + kChannelHalfWidth > rate / 2.0) {
        throw CDspError("the station at " + Megahertz(settings.fStation) +
                        " MHz lies outside the band the IQ covers (" +
                        Megahertz(settings.fCentre - rate / 2.0) + " to " +
                        Megahertz(settings.fCentre + rate / 2.0) + " MHz)");
    }
    SetCorrection(0.0);
    if (m_nInterp == 1) {
        // Whole-number decimation (1.2 and 2.4 MS/s, the rates of live receivers): the same
        // filter in a loop the compiler vectorises, three times liquid's speed (bench/).
        m_pDecimator = std::make_unique<CComplexDecimator>(
            DecimatorTaps(rate, kChannelCutoff, kChannelTransition), m_nDecim,
            kMaxInput / static_cast<int>(m_nDecim) + 1);
    } else {
        m_pChannel = MakeResampler(m_nInterp, m_nDecim, rate, kChannelCutoff, kChannelTransition);
    }
    // The discriminator gives the phase step over 2 pi kf; this kf makes that ADC units.
    const double kf = kMpxReferenceDeviation * 1000.0 /
                      (kChannelRate * static_cast<double>(kMpxReferenceAmplitude));
    m_pDiscriminator.reset(freqdem_create(static_cast<float>(kf)));
    const int maxPairs = MaxOutput(kMaxInput);
    m_pMpxDecimator = std::make_unique<CRealDecimator>(
        RealDecimatorTaps(kChannelRate, kMpxCutoff, kMpxTransition, true), 2, maxPairs);
    m_pLevelDecimator = std::make_unique<CRealDecimator>(
        RealDecimatorTaps(kChannelRate, kMpxCutoff, kMpxTransition, false), 2, maxPairs);
    std::array<float, kBandTaps> band{};
    liquid_firdes_kaiser(kBandTaps, static_cast<float>(kBandCutoff / kMpxRate), 60.0f, 0.0f,
                         band.data());
    const float sum = std::accumulate(band.begin(), band.end(), 0.0f);
    std::vector<float> taps(band.begin(), band.end());
    for (float& tap : taps) {
        tap /= sum;
    }
    m_pBand = std::make_unique<CRealDecimator>(taps, 1, maxPairs);

    const auto maxChannel = static_cast<std::size_t>(MaxOutput(kMaxInput)) * 2 + 2;
    m_shifted.resize(static_cast<std::size_t>(kMaxInput) + m_nDecim);
    m_channel.resize(maxChannel);
    m_discriminated.resize(maxChannel + 1);
    m_envelope.resize(maxChannel + 1);
}

CFmReceiver::~CFmReceiver() = default;

double CFmReceiver::SetCorrection(double hertz) {
    const double rate = m_settings.fSampleRate;
    const double offset = m_settings.fStation - m_settings.fCentre;
    const double room = rate / 2.0 - kChannelHalfWidth;
    m_fCorrection = std::clamp(offset + hertz, -room, room) - offset;
    m_step = std::polar(1.0, -2.0 * std::numbers::pi * (offset + m_fCorrection) / rate);
    return m_fCorrection;
}

CFmReceiver::SInputCounts CFmReceiver::TakeInputCounts() {
    const SInputCounts counts = m_input;
    m_input = {};
    return counts;
}

int CFmReceiver::MaxOutput(int count) const {
    const std::uint64_t groups = (static_cast<std::uint64_t>(count) + m_nDecim) / m_nDecim;
    return static_cast<int>(groups * m_nInterp / 2 + 1);
}

int CFmReceiver::Process(const std::complex<float>* iq, int count, float* mpx, float* level,
                         std::uint8_t* rds, int& rdsCount) {
    rdsCount = 0;
    if (count <= 0) {
        return 0;
    }
    // Tune: the station to 0 Hz, behind the samples left from the last call. A phasor turned
    // by one complex product per sample costs less than liquid's NCO here (bench/); renormalised
    // every kPhasorRun samples of the stream (not of the call, so that any chunking turns it
    // alike), its magnitude stays 1 to float precision.
    std::complex<float> phasor = m_phasor;
    const std::complex<float> step(m_step);
    std::complex<float>* shifted = m_shifted.data() + m_nCarry;
    int atLimit = 0;  // samples at the converter's limits
    for (int start = 0; start < count;) {
        const int end = std::min(count, start + kPhasorRun - m_nPhasorTurns);
        // Written out: std::complex's product guards against infinities branch by branch.
        float pr = phasor.real();
        float pi = phasor.imag();
        for (int i = start; i < end; ++i) {
            const float xr = iq[i].real();
            const float xi = iq[i].imag();
            atLimit += static_cast<int>(std::max(std::fabs(xr), std::fabs(xi)) >= kConverterLimit);
            shifted[i] = {xr * pr - xi * pi, xr * pi + xi * pr};
            const float nr = pr * step.real() - pi * step.imag();
            pi = pr * step.imag() + pi * step.real();
            pr = nr;
        }
        phasor = {pr, pi};
        m_nPhasorTurns += end - start;
        if (m_nPhasorTurns == kPhasorRun) {
            phasor /= std::abs(phasor);
            m_nPhasorTurns = 0;
        }
        start = end;
    }
    m_phasor = phasor;
    m_input.nSamples += count;
    m_input.nAtLimit += atLimit;
    const int total = m_nCarry + count;
    const int groups = total / static_cast<int>(m_nDecim);
    // Channel filter and resampling to 400 kHz.
    if (m_pDecimator) {
        m_pDecimator->Execute(m_shifted.data(), groups, m_channel.data());
    } else {
        rresamp_crcf_execute_block(m_pChannel.get(), m_shifted.data(),
                                   static_cast<unsigned>(groups), m_channel.data());
    }
    const int used = groups * static_cast<int>(m_nDecim);
    m_nCarry = total - used;
    for (int i = 0; i < m_nCarry; ++i) {
        m_shifted[static_cast<std::size_t>(i)] = m_shifted[static_cast<std::size_t>(used + i)];
    }
    const int channelCount = groups * static_cast<int>(m_nInterp);

    // Discriminator and envelope at 400 kHz, then both through the same decimator, so that
    // each level sample belongs to its MPX sample.
    freqdem_demodulate_block(m_pDiscriminator.get(), m_channel.data(),
                             static_cast<unsigned>(channelCount), m_discriminated.data() + m_nOdd);
    // The magnitude without std::abs's guard against overflow (hypotf), which IQ of full
    // scale 1 does not need: a loop the compiler vectorises.
    for (int i = 0; i < channelCount; ++i) {
        const std::complex<float> x = m_channel[static_cast<std::size_t>(i)];
        m_envelope[static_cast<std::size_t>(m_nOdd + i)] =
            std::sqrt(x.real() * x.real() + x.imag() * x.imag());
    }
    m_noise.Process(m_discriminated.data() + m_nOdd, channelCount);
    const int pairs = (m_nOdd + channelCount) / 2;
    m_pMpxDecimator->Execute(m_discriminated.data(), pairs, mpx);
    m_pLevelDecimator->Execute(m_envelope.data(), pairs, level);
    const int odd = (m_nOdd + channelCount) % 2;
    if (odd != 0) {
        m_discriminated[0] = m_discriminated[static_cast<std::size_t>(2 * pairs)];
        m_envelope[0] = m_envelope[static_cast<std::size_t>(2 * pairs)];
    }
    m_nOdd = odd;

    rdsCount = m_rds.Process(mpx, pairs, rds);
    // The measured band, in place (each output is written after its input was taken), and the
    // level delayed alike through a ring of kBandDelay samples.
    m_pBand->Execute(mpx, pairs, mpx);
    const auto fullScale = static_cast<float>(m_settings.fFullScaleDbuv);
    for (int i = 0; i < pairs; ++i) {
        const float dbuv = 20.0f * std::log10(std::max(level[i], 1e-9f)) + fullScale;
        level[i] = m_levelDelay[static_cast<std::size_t>(m_nDelayIndex)];
        m_levelDelay[static_cast<std::size_t>(m_nDelayIndex)] = dbuv;
        m_nDelayIndex = (m_nDelayIndex + 1) % kBandDelay;
    }
    return pairs;
}

}  // namespace tavik
