#include "device/ReceiverOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavik {

namespace {

constexpr std::size_t kRdsCapacityBits = 64 * 8 * CReceiverOutput::kRdsChunkBytes;

}  // namespace

void CReceiverOutput::Prepare(const CFmReceiver& receiver, int chunkSamples, bool keepFirstSecond) {
    m_bKeepFirstSecond = keepFirstSecond;
    // A restarted receiver has the same settings: these hold for the output's life.
    m_fStation = receiver.Settings().fStation;
    m_fNoiseZeroDb = receiver.NoiseMeter().ZeroDbPower();
    const auto most = static_cast<std::size_t>(receiver.MaxOutput(chunkSamples));
    // Room for the first second, held until the carrier's offset is known, and a block.
    const std::size_t room = CCarrierOffset::kSecond + kBlockSamples + most;
    m_mpx.resize(room);
    m_level.resize(room);
    m_bits.resize(static_cast<std::size_t>(receiver.MaxRdsBits(chunkSamples)));
    m_rdsBits.resize(kRdsCapacityBits);
    Restart(false);
}

void CReceiverOutput::Restart(bool keepRds) {
    m_nPending = 0;
    m_nSettle = kSettleSamples;
    m_nSkip = 0;
    m_offset.Reset();
    m_truePeak.Reset();
    m_fCorrection = 0.0;
    m_fNoiseSum = 0.0;
    m_nNoiseCount = 0;
    if (!m_bConverterCounts) {
        // A shared receiver's counts are of its converter, which a station's restart leaves
        // running: those taken with the samples before the restart may cover the ones after.
        m_nInput = 0;
        m_nAtLimit = 0;
        m_fOverload = 0.0f;
    }
    m_fCarrierToNoise = CReception::kUnknown;
    m_bSignal = true;
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
    const int from = m_nPending;
    m_nPending += receiver.Process(iq, count, m_mpx.data() + m_nPending,
                                   m_level.data() + m_nPending, m_bits.data(), bits);
    if (m_nSkip > 0) {
        const int drop = std::min(m_nSkip, m_nPending - from);
        Remove(from, drop);
        m_nSkip -= drop;
    }
    if (m_nSettle > 0) {
        const int drop = std::min(m_nSettle, m_nPending);
        Consume(drop);
        m_nSettle -= drop;
    }
    receiver.NoiseMeter().TakeInto(m_fNoiseSum, m_nNoiseCount);
    const CFmReceiver::SInputCounts input = receiver.TakeInputCounts();
    if (!m_bConverterCounts) {
        m_nInput += input.nSamples;
        m_nAtLimit += input.nAtLimit;
    }
    Correct(receiver, std::min(from, m_nPending));
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

void CReceiverOutput::Correct(CFmReceiver& receiver, int from) {
    const bool locked = m_offset.Locked();
    m_offset.Add(m_mpx.data() + from, m_nPending - from);
    if (!m_offset.Locked()) {
        return;
    }
    if (!locked && !m_bKeepFirstSecond) {
        Consume(m_nPending);
    }
    // Once locked, everything held so far loses the first estimate; later, each new piece
    // the estimate of its time.
    TakeOffset(locked ? from : 0);
    const double hertz = m_offset.Estimate() * CFmReceiver::kHertzPerUnit;
    if (std::fabs(hertz) > kRetuneOffset && m_bSignal) {  // noise's mean is no carrier
        const double before = m_fCorrection;
        m_fCorrection = receiver.SetCorrection(m_fCorrection + hertz);
        m_offset.Shift((m_fCorrection - before) / CFmReceiver::kHertzPerUnit);
        m_nSkip = kSettleSamples;
    }
}

void CReceiverOutput::TakeOffset(int from) {
    const auto estimate = static_cast<float>(m_offset.Estimate());
    for (int i = from; i < m_nPending; ++i) {
        m_mpx[static_cast<std::size_t>(i)] -= estimate;
    }
}

void CReceiverOutput::Finish() {
    if (!m_offset.Locked() && m_nPending > 0) {
        m_offset.Lock();
        TakeOffset(0);
    }
}

CReception CReceiverOutput::Reception() {
    CReception reception;
    if (m_nNoiseCount > 0) {
        m_fCarrierToNoise = CCarrierToNoiseMeter::CarrierToNoise(
            m_fNoiseZeroDb, m_fNoiseSum / static_cast<double>(m_nNoiseCount));
        m_fNoiseSum = 0.0;
        m_nNoiseCount = 0;
    }
    reception.fCarrierToNoise = m_fCarrierToNoise;
    const float lost = CReception::kNoSignalCarrierToNoise;
    if (m_fCarrierToNoise < lost) {
        m_bSignal = false;
    } else if (m_fCarrierToNoise >= lost + kSignalHysteresis) {
        m_bSignal = true;
    }
    reception.bSignal = m_bSignal;
    const double error = m_fCorrection + m_offset.Estimate() * CFmReceiver::kHertzPerUnit;
    reception.fFrequencyError = static_cast<float>(error);
    if (m_fStation > 0.0) {
        reception.fFrequencyErrorPpm = static_cast<float>(error / m_fStation * 1e6);
    }
    // A block made of samples whose counts an earlier block took (one read bringing several
    // blocks) has the overload of that read.
    if (m_nInput > 0) {
        m_fOverload = static_cast<float>(100.0 * static_cast<double>(m_nAtLimit) /
                                         static_cast<double>(m_nInput));
        m_nInput = 0;
        m_nAtLimit = 0;
    }
    reception.fOverload = m_fOverload;
    return reception;
}

bool CReceiverOutput::TakeBlock(float* mpx, float* level, CReceivedFigures* received) {
    if (!HasBlock()) {
        return false;
    }
    std::memcpy(mpx, m_mpx.data(), sizeof(float) * kBlockSamples);
    std::memcpy(level, m_level.data(), sizeof(float) * kBlockSamples);
    // The true peaks go on from block to block, so the meter sees every block once.
    const float firstHalf = m_truePeak.Process(mpx, kBlockSamples / 2);
    const float secondHalf = m_truePeak.Process(mpx + kBlockSamples / 2, kBlockSamples / 2);
    const CReception reception = Reception();
    if (received != nullptr) {
        double sum = 0.0;
        for (int i = 0; i < kBlockSamples; ++i) {
            sum += static_cast<double>(mpx[i]) * mpx[i];
        }
        received->figures = {kBlockSamples, firstHalf, std::max(firstHalf, secondHalf), sum};
        received->reception = reception;
    }
    Consume(kBlockSamples);
    return true;
}

void CReceiverOutput::Remove(int at, int count) {
    const auto tail = static_cast<std::size_t>(m_nPending - at - count);
    std::memmove(m_mpx.data() + at, m_mpx.data() + at + count, sizeof(float) * tail);
    std::memmove(m_level.data() + at, m_level.data() + at + count, sizeof(float) * tail);
    m_nPending -= count;
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
