#include "device/LiveIqSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "device/RtlTcpClient.h"
#include "dsp/IqFormat.h"

namespace tavik {

namespace {

constexpr std::size_t kRdsCapacityBits = 64 * 8 * CLiveIqSource::kRdsChunkBytes;

}  // namespace

std::optional<CLiveSourceSettings> CLiveSourceSettings::FromSpec(const std::string& spec) {
    if (spec.rfind("rtltcp:", 0) != 0) {
        return std::nullopt;
    }
    CLiveSourceSettings settings;
    settings.strSpec = spec;
    return settings;
}

CLiveIqSource::CLiveIqSource(const CLiveSourceSettings& settings, double station,
                             const std::atomic<bool>& running)
    : m_settings(settings) {
    m_pClient = std::make_unique<CRtlTcpClient>(settings.strSpec.substr(7), running);
    const double rate = settings.fRate;
    const double offset =
        rate / 2.0 >= CLiveSourceSettings::kTuningOffset + CFmReceiver::kChannelHalfWidth
            ? CLiveSourceSettings::kTuningOffset
            : 0.0;
    m_receiverSettings = {rate, station - offset, station, settings.fFullScaleDbuv};
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);  // checks rate and band
    m_nChunkSamples = static_cast<int>(std::min(rate / 50.0, double{CFmReceiver::kMaxInput}));
    m_raw.resize(2 * static_cast<std::size_t>(m_nChunkSamples));
    m_iq.resize(static_cast<std::size_t>(m_nChunkSamples));
    const auto most = static_cast<std::size_t>(m_pReceiver->MaxOutput(m_nChunkSamples));
    m_mpx.resize(kBlockSamples + most);
    m_level.resize(kBlockSamples + most);
    m_bits.resize(static_cast<std::size_t>(m_pReceiver->MaxRdsBits(m_nChunkSamples)));
    m_rdsBits.resize(kRdsCapacityBits);
}

CLiveIqSource::~CLiveIqSource() = default;

std::string CLiveIqSource::Address() const {
    return m_pClient->Address();
}

bool CLiveIqSource::IsOpen() const {
    return m_pClient->IsConnected();
}

void CLiveIqSource::Close() {
    m_pClient->Disconnect();
}

void CLiveIqSource::Open() {
    m_pClient->Connect();
    if (!m_pClient->IsConnected()) {
        return;  // stopped
    }
    using C = CRtlTcpClient;
    m_pClient->SendCommand(C::CMD_SAMPLE_RATE,
                           static_cast<std::uint32_t>(m_receiverSettings.fSampleRate));
    m_pClient->SendCommand(C::CMD_FREQUENCY,
                           static_cast<std::uint32_t>(std::llround(m_receiverSettings.fCentre)));
    if (m_settings.gain) {
        m_pClient->SendCommand(C::CMD_GAIN_MODE, 1);
        m_pClient->SendCommand(C::CMD_GAIN,
                               static_cast<std::uint32_t>(std::lround(*m_settings.gain * 10.0)));
    } else {
        m_pClient->SendCommand(C::CMD_GAIN_MODE, 0);
    }
    m_pClient->SendCommand(C::CMD_AGC, 0);
    // Afresh: the samples before the break belong to another stream.
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
    m_nRawBytes = 0;
    m_nPending = 0;
    m_nSettle = kSettleSamples;
}

bool CLiveIqSource::ReadBlock(float* mpx, float* level) {
    while (m_nPending < kBlockSamples) {
        const std::size_t got =
            m_pClient->Read(m_raw.data() + m_nRawBytes, m_raw.size() - m_nRawBytes);
        if (got == 0) {
            return false;  // stopped
        }
        m_nRawBytes += got;
        const int count = static_cast<int>(m_nRawBytes / 2);
        ConvertIq(CIqFormat::Cu8, m_raw.data(), static_cast<std::size_t>(count), m_iq.data());
        if (m_nRawBytes % 2 != 0) {
            m_raw[0] = m_raw[m_nRawBytes - 1];
        }
        m_nRawBytes %= 2;
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
