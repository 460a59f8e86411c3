#pragma once

#include <complex>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "dsp/CarrierToNoiseMeter.h"
#include "dsp/ChannelFilter.h"
#include "dsp/FirDecimator.h"
#include "dsp/FmDemodulator.h"
#include "dsp/RdsDemodulator.h"
#include "dsp/RfLevel.h"
#include "dsp/Tuner.h"
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

// The FM broadcast receiver in software, a chain of stages: the station is mixed to 0 Hz (it
// may lie off the IQ's centre; CTuner), channel-filtered and resampled to 400 kHz
// (CChannelFilter), FM-demodulated by a quadrature discriminator beside the channel's envelope
// (CFmDemodulator) and both decimated alike to the measurement receiver's 200000 samples/s
// (CRealDecimator): MPX in its ADC units (kMpxReferenceAmplitude for 19 kHz deviation) and per
// MPX sample the channel's envelope as RF level in dBuV (CRfLevel). The discriminator's noise
// above the multiplex gives the C/N (CCarrierToNoiseMeter), the RDS bits come from the MPX
// before the measured band's filter. Nothing is allocated after construction.
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
    // IQ samples the stages take at a time, which sizes their buffers.
    static constexpr int kStageInput = 1 << 14;
    // MPX samples by which the measured band's filter delays the MPX (and the level with it).
    static constexpr int kBandDelay = 13;
    // Hz of frequency per MPX unit, at 400 kHz as at 200 kHz.
    static constexpr double kHertzPerUnit =
        kMpxReferenceDeviation * 1000.0 / static_cast<double>(kMpxReferenceAmplitude);

    // Throws CDspError for a rate outside kMinimumSampleRate to kMaximumSampleRate, a rate that
    // is not a whole number of Hz with a manageable ratio to 400 kHz, or a station whose channel
    // is not inside the band the IQ covers.
    explicit CFmReceiver(const CFmReceiverSettings& settings);

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
    // IQ samples taken, and those at the converter's limits (CTuner::kConverterLimit), since
    // the last call.
    using SInputCounts = CTuner::SInputCounts;
    SInputCounts TakeInputCounts() { return m_tuner.TakeInputCounts(); }

private:
    CFmReceiverSettings m_settings;
    double m_fCorrection = 0.0;  // Hz
    // The stages in their order.
    CTuner m_tuner;
    CChannelFilter m_channel;  // made once the settings were checked
    CFmDemodulator m_demodulator;
    CCarrierToNoiseMeter m_noise;
    // MPX and envelope by 2 to 200 kHz: fed the same counts, each level sample stays with its
    // MPX sample.
    CRealDecimator m_mpxDecimator;
    CRealDecimator m_levelDecimator;
    CRdsDemodulator m_rds;
    CRealDecimator m_band;  // the measured band, at 200 kHz (by 1)
    CRfLevel m_level;       // delayed by the band filter's kBandDelay
    // Between the stages, for kStageInput samples: the tuned IQ, the channel at 400 kHz, its
    // frequency and envelope.
    std::vector<std::complex<float>> m_tuned;
    std::vector<std::complex<float>> m_channelIq;
    std::vector<float> m_frequency;
    std::vector<float> m_envelope;
};

}  // namespace tavik
