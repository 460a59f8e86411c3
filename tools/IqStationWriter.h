#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/ReceiverOutput.h"
#include "dsp/FmModulator.h"
#include "dsp/IqFormat.h"
#include "tools/GeneratorOptions.h"
#include "tools/Random.h"

namespace tavik {

// The generated station as a software-defined radio would have recorded it: the multiplex
// frequency-modulated onto a carrier, the RF level as the carrier's amplitude (with the
// planted multipath coupling but without the replayed receiver's own response, which the
// recorded level carries and a software receiver does not have), an optional
// second ray, and thermal noise at the options' carrier-to-noise ratio, measured in the
// 200 kHz of the channel. The carrier lies kOffset above the capture's centre (away from a
// real receiver's DC spike) where the rate leaves room, else on it. The mean level sits
// kHeadroom below full scale; the SigMF metadata says so ("tavik:full_scale_dbuv"), so that
// the receiver reads the levels of the recordings again.
// The capture starts kLeadIn MPX samples before the programme and ends kTail after it, the
// carrier held at the programme's first and last MPX value and level: the receiver drops its
// first CReceiverOutput::kSettleSamples while its filters settle, and its filters and the
// modulator's delay the MPX by kReceiverDelay samples, so that its blocks hold the
// recordings' blocks, sample for sample and all of them.
class CIqStationWriter {
public:
    static constexpr double kOffset = 250000.0;
    static constexpr double kHeadroom = 12.0;            // dB
    static constexpr double kNoiseBandwidth = 200000.0;  // Hz the C/N refers to
    // MPX samples from the modulator's input to the receiver's output (30.0 to 30.5 at the
    // rates from 400 kHz to 2.4 MHz).
    static constexpr int kReceiverDelay = 30;
    static constexpr int kLeadIn = CReceiverOutput::kSettleSamples - kReceiverDelay;
    // The delay, the samples the resamplers hold back, and room for the receiver's reader,
    // which counts the blocks of a capture from its length.
    static constexpr int kTail = 280;

    explicit CIqStationWriter(const CGeneratorOptions& options);
    ~CIqStationWriter();

    // One block of the recordings (MPX and level ADC samples) as IQ bytes, the first one
    // behind the lead-in; valid until the next call.
    const std::vector<std::uint8_t>& Modulate(const std::int16_t* mpx, const std::int16_t* level,
                                              int count);
    // The tail after the last block, as IQ bytes.
    const std::vector<std::uint8_t>& Finish();
    // "station.sigmf-meta".
    std::string Metadata() const;
    double CentreFrequency() const { return m_fCentre; }  // Hz
    double FullScaleDbuv() const { return m_fFullScale; }

private:
    // Appends `count` (<= CFmModulator::kMaxInput) samples of m_mpx and m_level as IQ bytes.
    void Append(int count);
    // `count` samples of the carrier held at the last MPX value and level.
    void AppendHeld(int count);

    const CGeneratorOptions& m_options;
    CIqFormat m_format;
    double m_fCentre;
    double m_fFullScale;
    float m_fNoiseSigma;  // per component
    std::unique_ptr<CFmModulator> m_pModulator;
    std::vector<std::unique_ptr<CFmModulator>> m_neighbours;  // alike, at their offsets
    std::vector<float> m_neighbourMpx;
    std::vector<float> m_neighbourLevel;
    std::vector<std::complex<float>> m_neighbourIq;
    CRandom m_random;
    std::vector<float> m_mpx;
    std::vector<float> m_level;
    std::vector<std::complex<float>> m_iq;
    std::vector<std::uint8_t> m_bytes;
    bool m_bStarted = false;
    float m_fHeldMpx = 0.0f;
    float m_fHeldLevel = 0.0f;  // dBuV
public:
    // The level of the air (dBuV) for a recorded MPX and level sample of a station with the
    // planted coupling `multipath`: the replayed receiver's response taken off.
    static float AirLevel(const std::array<double, 3>& multipath, std::int16_t mpx,
                          std::int16_t level);

private:
};

}  // namespace tavik
