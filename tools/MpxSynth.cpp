#include "tools/MpxSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace tavik {

namespace {

constexpr std::uint64_t kProgrammeStream = 0x50524F4752414D4Dull;
constexpr std::uint64_t kProcessorStream = 0x50524F4345535352ull;

}  // namespace

CMpxSynth::CMpxSynth(const CGeneratorOptions& options,
                     const std::vector<std::uint8_t>& transmittedBits)
    : m_encoder(ToAdc(options.fPilotDeviation), ToAdc(options.fRdsDeviation), !options.bMono,
                transmittedBits) {
    m_encoder.SetPilotOffset(options.fPilotOffset);
    const auto rate = static_cast<double>(CStereoEncoder::kSampleRate);
    m_nSilenceFrom = std::llround(options.fSilenceFrom * rate);
    m_nSilenceTo = m_nSilenceFrom + std::llround(options.fSilenceFor * rate);
    const bool stereoTone = !std::isnan(options.fLeftDb) || !std::isnan(options.fRightDb);
    if (stereoTone) {
        const double frequency = options.fToneFrequency > 0.0 ? options.fToneFrequency : 1000.0;
        m_toneStep = std::polar(1.0, 2.0 * std::numbers::pi * frequency / rate);
        // A steady tone through the transmitter's pre-emphasis: its gain at the tone's frequency.
        const double w = 2.0 * std::numbers::pi * frequency * options.fPreemphasis;
        const double gain = std::sqrt(1.0 + w * w) * ToAdc(kFullModulation);
        const auto level = [gain](double db) {
            return std::isnan(db) ? 0.0f : static_cast<float>(gain * std::pow(10.0, db / 20.0));
        };
        m_fToneAmplitude = level(options.fLeftDb);
        m_fRightAmplitude = level(options.fRightDb);
    } else if (options.fToneFrequency > 0.0) {
        m_toneStep = std::polar(1.0, 2.0 * std::numbers::pi * options.fToneFrequency / rate);
        m_fToneAmplitude = m_fRightAmplitude = ToAdc(options.fToneDeviation);
    } else {
        m_pProgramme = std::make_unique<CProgrammeSynth>(options.nSeed ^ kProgrammeStream,
                                                         CStereoEncoder::kSampleRate);
        // The programme's share of peak and power is what pilot and RDS leave of the targets.
        const double pilot = options.bMono ? 0.0 : ToAdc(options.fPilotDeviation);
        const double rds = ToAdc(options.fRdsDeviation);
        const double clip = std::max(ToAdc(options.fPeakDeviation) - pilot - rds,
                                     0.05 * ToAdc(options.fPeakDeviation));
        const double total =
            kReference * kReference / 2.0 * std::pow(10.0, options.fMpxPower / 10.0);
        // Pilot: a sine, mean square A^2/2; RDS: sine pulses on a sine carrier, A^2/4.
        const double programme =
            std::max(total - pilot * pilot / 2.0 - rds * rds / 4.0, 0.01 * total);
        m_pProcessor = std::make_unique<CAudioProcessor>(static_cast<float>(clip), programme,
                                                         options.fOvershoot, !options.bMono,
                                                         options.nSeed ^ kProcessorStream);
    }
}

void CMpxSynth::NextBlock(std::int16_t* out, int count) {
    const auto n = static_cast<std::size_t>(count);
    if (m_left.size() < n) {
        m_left.resize(n);
        m_right.resize(n);
        m_mpx.resize(n);
    }
    if (m_pProgramme) {
        m_pProgramme->Process(m_left.data(), m_right.data(), count);
        m_pProcessor->Process(m_left.data(), m_right.data(), count);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            const auto sine = static_cast<float>(m_tone.imag());
            m_left[i] = m_fToneAmplitude * sine;
            m_right[i] = m_fRightAmplitude * sine;
            m_tone *= m_toneStep;
        }
        m_tone /= std::abs(m_tone);  // no drift of the amplitude over long recordings
    }
    // The silent stretch, of the programme only.
    const std::int64_t from = std::clamp<std::int64_t>(m_nSilenceFrom - m_nSamples, 0, count);
    const std::int64_t to = std::clamp<std::int64_t>(m_nSilenceTo - m_nSamples, 0, count);
    std::fill(m_left.begin() + from, m_left.begin() + to, 0.0f);
    std::fill(m_right.begin() + from, m_right.begin() + to, 0.0f);
    m_encoder.Process(m_left.data(), m_right.data(), count, m_mpx.data());
    double squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const float rounded = std::nearbyint(std::clamp(m_mpx[i], -32768.0f, 32767.0f));
        const auto sample = static_cast<std::int16_t>(rounded);
        out[i] = sample;
        m_nPeak = std::max(m_nPeak, std::abs(static_cast<int>(sample)));
        squares += static_cast<double>(sample) * sample;
    }
    m_fSquares += squares;
    m_nSamples += count;
}

double CMpxSynth::PeakDeviation() const {
    return m_nPeak / kReference * kMpxReferenceDeviation;
}

double CMpxSynth::PowerDbr() const {
    if (m_nSamples == 0 || m_fSquares <= 0.0) {
        return -INFINITY;
    }
    return 10.0 * std::log10(2.0 * (m_fSquares / static_cast<double>(m_nSamples)) /
                             (kReference * kReference));
}

}  // namespace tavik
