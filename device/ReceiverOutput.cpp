#include "device/ReceiverOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavik {

namespace {

constexpr std::size_t kRdsCapacityBits = 64 * 8 * CReceiverOutput::kRdsChunkBytes;

}  // namespace

void CReceiverOutput::Prepare(const CFmReceiver& receiver, int chunkSamples) {
    const auto most = static_cast<std::size_t>(receiver.MaxOutput(chunkSamples));
    m_mpx.resize(kBlockSamples + most);
    m_level.resize(kBlockSamples + most);
    m_bits.resize(static_cast<std::size_t>(receiver.MaxRdsBits(chunkSamples)));
    m_rdsBits.resize(kRdsCapacityBits);
    Restart(false);
}

void CReceiverOutput::Restart(bool keepRds) {
    m_nPending = 0;
    m_nSettle = kSettleSamples;
    if (!keepRds) {
        m_nRdsBits = 0;
    }
}

void CReceiverOutput::Receive(CFmReceiver& receiver, const std::complex<float>* iq, int count) {
    if (m_nSettle > 0) {
        // The IQ of the settling time goes through the receiver on its own, so that the RDS
        // bits it gives, decided before the demodulator could lock, go with its samples: the
        // bits that remain start with the signal the blocks start with.
        const double perSample = receiver.Settings().fSampleRate / CFmReceiver::kMpxRate;
        const int settle = std::min(count, static_cast<int>(std::ceil(m_nSettle * perSample)));
        Run(receiver, iq, settle, false);
        iq += settle;
        count -= settle;
    }
    if (count > 0) {
        Run(receiver, iq, count, true);
    }
}

void CReceiverOutput::Run(CFmReceiver& receiver, const std::complex<float>* iq, int count,
                          bool keepBits) {
    int bits = 0;
    m_nPending += receiver.Process(iq, count, m_mpx.data() + m_nPending,
                                   m_level.data() + m_nPending, m_bits.data(), bits);
    if (m_nSettle > 0) {
        const int drop = std::min(m_nSettle, m_nPending);
        Consume(drop);
        m_nSettle -= drop;
    }
    if (!keepBits) {
        return;
    }
    // Bits beyond what the store holds push the oldest out: the newest stream counts.
    const auto add = static_cast<std::size_t>(bits);
    if (m_nRdsBits + add > m_rdsBits.size()) {
        const std::size_t drop = m_nRdsBits + add - m_rdsBits.size();
        std::memmove(m_rdsBits.data(), m_rdsBits.data() + drop, m_nRdsBits - drop);
        m_nRdsBits -= drop;
    }
    std::memcpy(m_rdsBits.data() + m_nRdsBits, m_bits.data(), add);
    m_nRdsBits += add;
}

bool CReceiverOutput::TakeBlock(float* mpx, float* level) {
    if (!HasBlock()) {
        return false;
    }
    std::memcpy(mpx, m_mpx.data(), sizeof(float) * kBlockSamples);
    std::memcpy(level, m_level.data(), sizeof(float) * kBlockSamples);
    Consume(kBlockSamples);
    return true;
}

void CReceiverOutput::Consume(int count) {
    m_nPending -= count;
    std::memmove(m_mpx.data(), m_mpx.data() + count,
                 sizeof(float) * static_cast<std::size_t>(m_nPending));
    std::memmove(m_level.data(), m_level.data() + count,
                 sizeof(float) * static_cast<std::size_t>(m_nPending));
}

bool CReceiverOutput::TakeRdsChunk(std::uint8_t* chunk) {
    constexpr std::size_t kBits = 8 * kRdsChunkBytes;
    if (m_nRdsBits < kBits) {
        return false;
    }
    for (std::size_t i = 0; i < kRdsChunkBytes; ++i) {
        std::uint8_t byte = 0;
        for (std::size_t b = 0; b < 8; ++b) {
            byte = static_cast<std::uint8_t>(byte << 1 | m_rdsBits[8 * i + b]);
        }
        chunk[i] = byte;
    }
    m_nRdsBits -= kBits;
    std::memmove(m_rdsBits.data(), m_rdsBits.data() + kBits, m_nRdsBits);
    return true;
}

}  // namespace tavik
