#include "dsp/FmReceiver.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "dsp/LiquidHandles.h"

namespace tavik {

namespace {

constexpr unsigned kMaxInterp = 100;
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

// The channel filter for the settings' rate; throws CDspError for a rate or a station this
// receiver cannot take.
CChannelFilter CheckedChannelFilter(const CFmReceiverSettings& settings) {
    const double rate = settings.fSampleRate;
    if (!(rate >= CFmReceiver::kMinimumSampleRate)) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) + " Hz is below the " +
                        Hertz(CFmReceiver::kMinimumSampleRate) + " Hz an FM channel needs");
    }
    if (!(rate <= CFmReceiver::kMaximumSampleRate)) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) + " Hz is above the " +
                        Hertz(CFmReceiver::kMaximumSampleRate) + " Hz the receiver takes");
    }
    const auto whole = static_cast<std::uint64_t>(std::llround(rate));
    const auto channelRate = static_cast<std::uint64_t>(CFmReceiver::kChannelRate);
    const std::uint64_t divisor = std::gcd(whole, channelRate);
    const auto interp = static_cast<unsigned>(channelRate / divisor);
    const auto decim = static_cast<unsigned>(whole / divisor);
    if (std::fabs(rate - static_cast<double>(whole)) > 1e-6 || interp > kMaxInterp) {
        throw CDspError("the IQ sample rate of " + Hertz(rate) +
                        " Hz cannot be resampled to 400000 Hz (use a rate such as 1200000, "
                        "2048000 or 2400000)");
    }
    const double offset = settings.fStation - settings.fCentre;
    if (std::fabs(offset) + CFmReceiver::kChannelHalfWidth > rate / 2.0) {
        throw CDspError("the station at " + Megahertz(settings.fStation) +
                        " MHz lies outside the band the IQ covers (" +
                        Megahertz(settings.fCentre - rate / 2.0) + " to " +
                        Megahertz(settings.fCentre + rate / 2.0) + " MHz)");
    }
    return CChannelFilter(rate, interp, decim, CFmReceiver::kMaxInput);
}

std::vector<float> BandTaps() {
    std::array<float, kBandTaps> band{};
    liquid_firdes_kaiser(kBandTaps, static_cast<float>(kBandCutoff / CFmReceiver::kMpxRate), 60.0f,
                         0.0f, band.data());
    const float sum = std::accumulate(band.begin(), band.end(), 0.0f);
    std::vector<float> taps(band.begin(), band.end());
    for (float& tap : taps) {
        tap /= sum;
    }
    return taps;
}

}  // namespace

CFmReceiver::CFmReceiver(const CFmReceiverSettings& settings)
    : m_settings(settings),
      m_channel(CheckedChannelFilter(settings)),
      m_demodulator(kChannelRate, kHertzPerUnit),
      m_noise(kChannelRate, kHertzPerUnit, m_channel.MaxOutput(kStageInput)),
      m_mpxDecimator(RealDecimatorTaps(kChannelRate, kMpxCutoff, kMpxTransition, true), 2,
                     m_channel.MaxOutput(kStageInput)),
      m_levelDecimator(RealDecimatorTaps(kChannelRate, kMpxCutoff, kMpxTransition, false), 2,
                       m_channel.MaxOutput(kStageInput)),
      m_rds(MaxOutput(kStageInput)),
      m_band(BandTaps(), 1, MaxOutput(kStageInput)),
      m_level(settings.fFullScaleDbuv, kBandDelay),
      m_tuned(static_cast<std::size_t>(kStageInput)),
      m_channelIq(static_cast<std::size_t>(m_channel.MaxOutput(kStageInput))),
      m_frequency(static_cast<std::size_t>(m_channel.MaxOutput(kStageInput))),
      m_envelope(m_frequency.size()) {
    SetCorrection(0.0);
}

double CFmReceiver::SetCorrection(double hertz) {
    const double rate = m_settings.fSampleRate;
    const double offset = m_settings.fStation - m_settings.fCentre;
    const double room = rate / 2.0 - kChannelHalfWidth;
    m_fCorrection = std::clamp(offset + hertz, -room, room) - offset;
    m_tuner.SetFrequency(offset + m_fCorrection, rate);
    return m_fCorrection;
}

int CFmReceiver::MaxOutput(int count) const {
    return m_channel.MaxOutput(count) / 2 + 1;
}

int CFmReceiver::Process(const std::complex<float>* iq, int count, float* mpx, float* level,
                         std::uint8_t* rds, int& rdsCount) {
    rdsCount = 0;
    int produced = 0;
    // The stages take the input kStageInput samples at a time: their buffers stay small and in
    // the cache, and any cut of the stream gives the same output.
    for (int start = 0; start < count; start += kStageInput) {
        const int n = std::min(kStageInput, count - start);
        m_tuner.Process(iq + start, n, m_tuned.data());
        const int channel = m_channel.Process(m_tuned.data(), n, m_channelIq.data());
        m_demodulator.Process(m_channelIq.data(), channel, m_frequency.data(), m_envelope.data());
        m_noise.Process(m_frequency.data(), channel);
        float* const x = mpx + produced;
        float* const l = level + produced;
        const int pairs = m_mpxDecimator.Process(m_frequency.data(), channel, x);
        m_levelDecimator.Process(m_envelope.data(), channel, l);
        rdsCount += m_rds.Process(x, pairs, rds + rdsCount);
        // The measured band in place, and the level delayed alike.
        m_band.Process(x, pairs, x);
        m_level.Process(l, pairs);
        produced += pairs;
    }
    return produced;
}

}  // namespace tavik
