#include "device/LiveIqSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "device/IqStream.h"

namespace tavik {

std::optional<CLiveSourceSettings> CLiveSourceSettings::FromName(const std::string& receiver) {
    if (receiver.rfind("rtltcp:", 0) != 0 && receiver.rfind("soapy:", 0) != 0) {
        return std::nullopt;
    }
    CLiveSourceSettings settings;
    settings.strName = receiver;
    return settings;
}

CLiveIqSource::CLiveIqSource(const CLiveSourceSettings& settings, double station, double fullScale,
                             const std::atomic<bool>& running, CPacer* clock)
    : m_settings(settings) {
    if (settings.channel) {
        m_pStream = settings.channel->MakeStream(running);
        m_receiverSettings = {settings.channel->ChannelRate(), settings.channel->ChannelCentre(),
                              station, fullScale};
    } else {
        m_pStream = MakeIqStream(settings.strName, running, clock);
        const double rate = settings.fRate;
        const double offset =
            rate / 2.0 >= CLiveSourceSettings::kTuningOffset + CFmReceiver::kChannelHalfWidth
                ? CLiveSourceSettings::kTuningOffset
                : 0.0;
        m_receiverSettings = {rate, station - offset, station, fullScale};
    }
    const double rate = m_receiverSettings.fSampleRate;
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);  // checks rate and band
    m_nChunkSamples = static_cast<int>(std::min(rate / 50.0, double{CFmReceiver::kMaxInput}));
    m_iq.resize(static_cast<std::size_t>(m_nChunkSamples));
    m_output.Prepare(*m_pReceiver, m_nChunkSamples, false);
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

std::string CLiveIqSource::PaceFault() const {
    return m_pStream->PaceFault();
}

void CLiveIqSource::Open() {
    m_pStream->Open({m_receiverSettings.fCentre, m_receiverSettings.fSampleRate, m_settings.gain,
                     m_settings.ppm});
    // Afresh: the samples before a break belong to another stream.
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
    m_output.Restart(true);
    if (m_pIqTap != nullptr) {
        m_pIqTap->OnIqStart({m_receiverSettings.fSampleRate, m_receiverSettings.fCentre,
                             m_receiverSettings.fStation, m_receiverSettings.fFullScaleDbuv});
    }
}

bool CLiveIqSource::ReadBlock(float* mpx, float* level, CReceivedFigures* received) {
    while (!m_output.HasBlock()) {
        const int count = m_pStream->Read(m_iq.data(), m_nChunkSamples);
        if (count == 0) {
            return false;  // stopped
        }
        if (m_pStream->TakeBreak()) {
            // The signal starts again: so does the receiver, as at a new stream.
            m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
            m_output.Restart(true);
        }
        if (m_pIqTap != nullptr) {
            m_pIqTap->OnIq(m_iq.data(), count);
        }
        m_output.Receive(*m_pReceiver, m_iq.data(), count);
        if (const auto counts = m_pStream->TakeConverterCounts()) {
            m_output.UseConverterCounts(counts->nSamples, counts->nAtLimit);
        }
    }
    return m_output.TakeBlock(mpx, level, received);
}

bool CLiveIqSource::ReadRdsChunk(std::uint8_t* chunk) {
    return m_output.TakeRdsChunk(chunk);
}

}  // namespace tavik
