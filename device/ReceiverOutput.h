#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/CarrierOffset.h"
#include "dsp/FmReceiver.h"
#include "dsp/TruePeakMeter.h"
#include "platform/SampleBlock.h"

namespace tavik {

// What the software receiver gave and was not handed out yet: MPX and level samples, taken as
// whole 100 ms blocks, and RDS bits, taken as 100-byte chunks (most significant bit first).
// The samples of the first 5 ms after a start are dropped: while the receiver's filters fill,
// their transient would pass for deviation peaks and a level dip. The RDS bits of that time go
// too.
// The carrier's offset is taken off the MPX (it would add to every deviation peak): the first
// second is held back until it gives the first estimate, then taken off the held samples too;
// an offset beyond kRetuneOffset retunes the receiver (and the next 5 ms are dropped while its
// filters settle again). Each block comes with its true peaks (oversampled, as the modulating
// signal peaks between the samples) and with how it was received: carrier-to-noise ratio,
// frequency error, the share of IQ samples at the converter's limits, and whether a carrier
// is there at all.
class CReceiverOutput {
public:
    static constexpr int kBlockSamples = 20000;
    static constexpr int kRdsChunkBytes = 100;
    static constexpr int kSettleSamples = 1000;
    static constexpr double kRetuneOffset = 8000.0;  // Hz
    // A carrier lost below CReception::kNoSignalCarrierToNoise is back this much above it.
    static constexpr float kSignalHysteresis = 3.0f;  // dB

    // Room for what `receiver` gives for `chunkSamples` IQ samples a call. With `keepFirstSecond`
    // the first second, held back for the carrier's offset, is handed out once it is known (a
    // recording, read at its own pace); without, it is dropped: a live stream goes on
    // meanwhile, and the held blocks would reach the analysers as one burst.
    void Prepare(const CFmReceiver& receiver, int chunkSamples, bool keepFirstSecond = true);
    // A new start of the receiver: the pending samples go, the settling starts over; the RDS
    // bits go too unless `keepRds`.
    void Restart(bool keepRds);
    // Runs `receiver` over `count` IQ samples and keeps its output.
    void Receive(CFmReceiver& receiver, const std::complex<float>* iq, int count);
    // The converter's samples and those at its limits, counted where the receiver cannot (a
    // shared receiver's wideband stream): from now on these make the overload, not the
    // receiver's own.
    void UseConverterCounts(std::int64_t samples, std::int64_t atLimit) {
        m_bConverterCounts = true;
        m_nInput += samples;
        m_nAtLimit += atLimit;
    }

    bool HasBlock() const { return m_nPending >= kBlockSamples && m_offset.Locked(); }
    // The end of the IQ: what is held back for the carrier's offset is let go.
    void Finish();
    // The oldest block, with its figures (the true peaks) and how it was received when asked;
    // false when no block is ready.
    bool TakeBlock(float* mpx, float* level, CReceivedFigures* received = nullptr);
    // The oldest whole chunk of bits; false when less than a chunk is pending.
    bool TakeRdsChunk(std::uint8_t* chunk);

private:
    // Runs `receiver` over `count` IQ samples, drops what falls in the settling time and keeps
    // the rest, the RDS bits only if `keepBits`.
    void Run(CFmReceiver& receiver, const std::complex<float>* iq, int count, bool keepBits);
    void Consume(int count);
    // Drops `count` samples from `at` on.
    void Remove(int at, int count);
    // Takes the carrier's offset off the samples from `from` on; retunes `receiver` when it is
    // large.
    void Correct(CFmReceiver& receiver, int from);
    // Takes the current estimate of the carrier's offset off the pending MPX from `from` on.
    void TakeOffset(int from);
    CReception Reception();

    std::vector<float> m_mpx;
    std::vector<float> m_level;
    int m_nPending = 0;
    int m_nSettle = kSettleSamples;
    int m_nSkip = 0;  // samples still to drop after a retuning
    bool m_bKeepFirstSecond = true;
    CCarrierOffset m_offset;
    CTruePeakMeter m_truePeak;
    double m_fCorrection = 0.0;  // Hz the receiver is tuned away from the station
    double m_fStation = 0.0;     // Hz
    double m_fNoiseZeroDb = 0.0;
    double m_fNoiseSum = 0.0;  // the discriminator's noise since the last block
    long m_nNoiseCount = 0;
    long long m_nInput = 0;  // IQ samples since the last block, and those at the limits
    long long m_nAtLimit = 0;
    bool m_bConverterCounts = false;  // counted by UseConverterCounts
    float m_fOverload = 0.0f;         // % at the limits of the samples counted last
    float m_fCarrierToNoise = CReception::kUnknown;
    bool m_bSignal = true;
    std::vector<std::uint8_t> m_bits;     // one call's bits
    std::vector<std::uint8_t> m_rdsBits;  // bits not yet handed out
    std::size_t m_nRdsBits = 0;
};

}  // namespace tavik
