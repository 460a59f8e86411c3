#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/FmReceiver.h"

namespace tavik {

// What the software receiver gave and was not handed out yet: MPX and level samples, taken as
// whole 100 ms blocks, and RDS bits, taken as 100-byte chunks (most significant bit first).
// The samples of the first 5 ms after a start are dropped: while the receiver's filters fill,
// their transient would pass for deviation peaks and a level dip. The RDS bits of that time go
// too.
class CReceiverOutput {
public:
    static constexpr int kBlockSamples = 20000;
    static constexpr int kRdsChunkBytes = 100;
    static constexpr int kSettleSamples = 1000;

    // Room for what `receiver` gives for `chunkSamples` IQ samples a call.
    void Prepare(const CFmReceiver& receiver, int chunkSamples);
    // A new start of the receiver: the pending samples go, the settling starts over; the RDS
    // bits go too unless `keepRds`.
    void Restart(bool keepRds);
    // Runs `receiver` over `count` IQ samples and keeps its output.
    void Receive(CFmReceiver& receiver, const std::complex<float>* iq, int count);

    bool HasBlock() const { return m_nPending >= kBlockSamples; }
    // The oldest block; false when less than a block is pending.
    bool TakeBlock(float* mpx, float* level);
    // The oldest whole chunk of bits; false when less than a chunk is pending.
    bool TakeRdsChunk(std::uint8_t* chunk);

private:
    // Runs `receiver` over `count` IQ samples, drops what falls in the settling time and keeps
    // the rest, the RDS bits only if `keepBits`.
    void Run(CFmReceiver& receiver, const std::complex<float>* iq, int count, bool keepBits);
    void Consume(int count);

    std::vector<float> m_mpx;
    std::vector<float> m_level;
    int m_nPending = 0;
    int m_nSettle = kSettleSamples;
    std::vector<std::uint8_t> m_bits;     // one call's bits
    std::vector<std::uint8_t> m_rdsBits;  // bits not yet handed out
    std::size_t m_nRdsBits = 0;
};

}  // namespace tavik
