#include "device/LiveIqSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "device/IqStream.h"

namespace tavik {

namespace {

constexpr std::size_t kRdsCapacityBits = 64 * 8 * CLiveIqSource::kRdsChunkBytes;

}  // namespace

std::optional<CLiveSourceSettings> CLiveSourceSettings::FromSpec(const std::string& spec) {
    if (spec.rfind("rtltcp:", 0) != 0 && spec.rfind("soapy:", 0) != 0) {
        return std::nullopt;
    }
    CLiveSourceSettings settings;
    settings.strSpec = spec;
    return settings;
}

CLiveIqSource::CLiveIqSource(const CLiveSourceSettings& settings, double station, double fullScale,
                             const std::atomic<bool>& running)
    : m_settings(settings) {
    m_pStream = MakeIqStream(settings.strSpec, running);
    const double rate = settings.fRate;
    const double offset =
        rate / 2.0 >= CLiveSourceSettings::kTuningOffset + CFmReceiver::kChannelHalfWidth
            ? CLiveSourceSettings::kTuningOffset
            : 0.0;
    m_receiverSettings = {rate, station - offset, station, fullScale};
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);  // checks rate and band
    m_nChunkSamples = static_cast<int>(std::min(rate / 50.0, double{CFmReceiver::kMaxInput}));
    m_iq.resize(static_cast<std::size_t>(m_nChunkSamples));
    const auto most = static_cast<std::size_t>(m_pReceiver->MaxOutput(m_nChunkSamples));
    m_mpx.resize(kBlockSamples + most);
    m_level.resize(kBlockSamples + most);
    m_bits.resize(static_cast<std::size_t>(m_pReceiver->MaxRdsBits(m_nChunkSamples)));
    m_rdsBits.resize(kRdsCapacityBits);
}

CLiveIqSource::~CLiveIqSource() = default;

std::string CLiveIqSource::Address() const {
    return m_pStream->Name();
}

bool CLiveIqSource::IsOpen() const {
    return m_pStream->IsOpen();
}

void CLiveIqSource::Close() {
    m_pStream->Close();
}

std::pair<std::int64_t, std::int64_t> CLiveIqSource::TakeDropped() {
    const CIqStream::SDropped dropped = m_pStream->TakeDropped();
    return {dropped.nSamples, dropped.nEvents};
}

void CLiveIqSource::Open() {
    m_pStream->Open({m_receiverSettings.fCentre, m_receiverSettings.fSampleRate, m_settings.gain});
    // Afresh: the samples before a break belong to another stream.
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
    m_nPending = 0;
    m_nSettle = kSettleSamples;
}

bool CLiveIqSource::ReadBlock(float* mpx, float* level) {
    while (m_nPending < kBlockSamples) {
        const int count = m_pStream->Read(m_iq.data(), m_nChunkSamples);
        if (count == 0) {
            return false;  // stopped
        }
        Receive(count);
    }
    std::memcpy(mpx, m_mpx.data(), sizeof(float) * kBlockSamples);
    std::memcpy(level, m_level.data(), sizeof(float) * kBlockSamples);
    Consume(kBlockSamples);
    return true;
}

void CLiveIqSource::Receive(int count) {
    int bits = 0;
    m_nPending += m_pReceiver->Process(m_iq.data(), count, m_mpx.data() + m_nPending,
                                       m_level.data() + m_nPending, m_bits.data(), bits);
    if (m_nSettle > 0) {
        const int drop = std::min(m_nSettle, m_nPending);
        Consume(drop);
        m_nSettle -= drop;
    }
    const auto add = static_cast<std::size_t>(bits);
    if (m_nRdsBits + add > m_rdsBits.size()) {
        const std::size_t drop = m_nRdsBits + add - m_rdsBits.size();
        std::memmove(m_rdsBits.data(), m_rdsBits.data() + drop, m_nRdsBits - drop);
        m_nRdsBits -= drop;
    }
    std::memcpy(m_rdsBits.data() + m_nRdsBits, m_bits.data(), add);
    m_nRdsBits += add;
}

void CLiveIqSource::Consume(int count) {
    m_nPending -= count;
    std::memmove(m_mpx.data(), m_mpx.data() + count,
                 sizeof(float) * static_cast<std::size_t>(m_nPending));
    std::memmove(m_level.data(), m_level.data() + count,
                 sizeof(float) * static_cast<std::size_t>(m_nPending));
}

bool CLiveIqSource::ReadRdsChunk(std::uint8_t* chunk) {
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
