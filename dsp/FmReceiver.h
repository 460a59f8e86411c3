#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dsp/CarrierToNoiseMeter.h"
#include "dsp/FirDecimator.h"
#include "dsp/LiquidHandles.h"
#include "dsp/RdsDemodulator.h"
#include "platform/SampleBlock.h"

namespace tavik {

// IQ that this receiver cannot take (rate, station outside the band); the message says why.
class CDspError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CFmReceiverSettings {
    double fSampleRate = 1200000.0;  // IQ samples per second
    double fCentre = 0.0;            // Hz, the frequency at the IQ's 0 Hz
    double fStation = 0.0;           // Hz, the station to receive
    // Level calibration: the RF level in dBuV of a carrier at 0 dBFS (amplitude 1.0).
    double fFullScaleDbuv = 0.0;
};

// The FM broadcast receiver in software. The station is mixed to 0 Hz (it may lie off the
// IQ's centre), channel-filtered and resampled to 400 kHz, FM-demodulated by a quadrature
// discriminator and decimated to the measurement receiver's 200000 samples/s: MPX in its ADC
// units (kMpxReferenceAmplitude for 19 kHz deviation) and per MPX sample the channel's
// envelope as RF level in dBuV. The RDS bits come from the MPX. Nothing is allocated after
// construction.
class CFmReceiver {
public:
    static constexpr double kMpxRate = 200000.0;
    static constexpr double kChannelRate = 400000.0;
    static constexpr double kMinimumSampleRate = 400000.0;
    // The fastest IQ taken (also --iq-rate's limit): the channel filter's length grows with the
    // rate, and at 1e11 samples a second its design alone would take minutes.
    static constexpr double kMaximumSampleRate = 1e8;
    // Half the channel: carrier plus deviation plus the MPX's top (75 + 60 kHz).
    static constexpr double kChannelHalfWidth = 140000.0;
    // Calibration when none is given: a carrier at -35 dBFS reads 65 dBuV.
    static constexpr double kDefaultFullScaleDbuv = 100.0;
    // The most IQ samples one Process call takes.
    static constexpr int kMaxInput = 1 << 18;
    // MPX samples by which the measured band's filter delays the MPX (and the level with it).
    static constexpr int kBandDelay = 13;
    // Hz of frequency per MPX unit, at 400 kHz as at 200 kHz.
    static constexpr double kHertzPerUnit =
        kMpxReferenceDeviation * 1000.0 / static_cast<double>(kMpxReferenceAmplitude);
    // An I or Q value at least this large sat at the converter's limit: 0 or 255 of 8 bits,
    // +-32767 of 16 bits, +-1 of floats.
    static constexpr float kConverterLimit = 32767.0f / 32768.0f;

    // Throws CDspError for a rate outside kMinimumSampleRate to kMaximumSampleRate, a rate that
    // is not a whole number of Hz with a manageable ratio to 400 kHz, or a station whose channel
    // is not inside the band the IQ covers.
    explicit CFmReceiver(const CFmReceiverSettings& settings);
    ~CFmReceiver();
    CFmReceiver(const CFmReceiver&) = delete;
    CFmReceiver& operator=(const CFmReceiver&) = delete;

    // Receives `count` (<= kMaxInput) IQ samples: writes MPX and level samples to `mpx` and
    // `level` (room for MaxOutput(count) each) and RDS bits, one byte 0 or 1 each, to `rds`
    // (room for MaxRdsBits(count)). Returns the MPX sample count; `rdsCount` the bits.
    int Process(const std::complex<float>* iq, int count, float* mpx, float* level,
                std::uint8_t* rds, int& rdsCount);
    int MaxOutput(int count) const;
    int MaxRdsBits(int count) const { return CRdsDemodulator::MaxBits(MaxOutput(count)); }

    const CFmReceiverSettings& Settings() const { return m_settings; }

    // Tunes `hertz` higher than the station (the carrier's offset that was measured), as far as
    // the IQ's band leaves room for the channel; returns the correction now in force.
    double SetCorrection(double hertz);
    double Correction() const { return m_fCorrection; }
    // The discriminator's noise above the multiplex, for the carrier-to-noise ratio.
    CCarrierToNoiseMeter& NoiseMeter() { return m_noise; }
    const CCarrierToNoiseMeter& NoiseMeter() const { return m_noise; }
    // IQ samples taken, and those at the converter's limits, since the last call.
    struct SInputCounts {
        long long nSamples = 0;
        long long nAtLimit = 0;
    };
    SInputCounts TakeInputCounts();

private:
    CFmReceiverSettings m_settings;
    unsigned m_nInterp = 1;
    unsigned m_nDecim = 1;
    std::complex<double> m_step{1.0, 0.0};  // the tuning phasor's turn per IQ sample
    double m_fCorrection = 0.0;             // Hz
    SInputCounts m_input;
    CCarrierToNoiseMeter m_noise;
    std::complex<float> m_phasor{1.0f, 0.0f};
    int m_nPhasorTurns = 0;                           // since its last renormalisation
    CLiquidResampler m_pChannel;                      // a rational rate to 400 kHz
    std::unique_ptr<CComplexDecimator> m_pDecimator;  // or a whole-number factor
    CLiquidFreqDem m_pDiscriminator;
    std::unique_ptr<CRealDecimator> m_pMpxDecimator;
    std::unique_ptr<CRealDecimator> m_pLevelDecimator;
    std::unique_ptr<CRealDecimator> m_pBand;  // at 200 kHz, by 1
    std::array<float, kBandDelay> m_levelDelay{};
    int m_nDelayIndex = 0;
    CRdsDemodulator m_rds;
    std::vector<std::complex<float>> m_shifted;  // tuned input, with the carry in front
    std::vector<std::complex<float>> m_channel;  // at 400 kHz
    std::vector<float> m_discriminated;
    std::vector<float> m_envelope;
    int m_nCarry = 0;  // tuned samples waiting for a whole resampler group
    int m_nOdd = 0;    // a 400 kHz sample waiting for its pair (0 or 1)
};

}  // namespace tavik
