#include "device/IqStations.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tavik {

class CIqStations::CFeed : public IIqChannelFeed {
public:
    CFeed(CIqStations& owner, int station) : m_owner(owner), m_nStation(station) {}
    double ChannelRate() const override { return m_owner.m_pChanneliser->OutputRate(); }
    double ChannelCentre() const override {
        return m_owner.m_pChanneliser->OutputCentre(m_nStation);
    }
    int Next(std::complex<float>* iq, int max) override {
        return m_owner.Next(m_nStation, iq, max);
    }

private:
    CIqStations& m_owner;
    int m_nStation;
};

CIqStations::CIqStations(const CIqSourceSettings& settings, const std::vector<double>& stations) {
    const CIqFileSource capture(settings);  // checks the capture and reads its metadata
    const CFmReceiverSettings& receiver = capture.ReceiverSettings();
    m_strDataPath = capture.DataPath();
    m_format = capture.Format();
    try {
        m_pChanneliser =
            std::make_unique<CChanneliser>(receiver.fSampleRate, receiver.fCentre, stations);
    } catch (const std::invalid_argument&) {
        throw CIqSourceError("\"" + settings.strFile + "\": a station lies outside the band the " +
                             "capture covers");
    }
    if (const int cause = m_file.Open(m_strDataPath, CFile::modeRead); cause != 0) {
        throw CIqSourceError("cannot read the IQ data \"" + m_strDataPath +
                             "\": " + std::strerror(cause));
    }
    const auto piece =
        static_cast<int>(std::min(receiver.fSampleRate / 10.0, double{CChanneliser::kMaxInput}));
    m_raw.resize(static_cast<std::size_t>(piece) * IqSampleBytes(m_format));
    m_iq.resize(static_cast<std::size_t>(piece));
    const int pieceOut = std::max(m_pChanneliser->MaxOutput(piece), m_pChanneliser->MaxOutput(0));
    const auto ahead = static_cast<std::size_t>(kAheadSeconds * m_pChanneliser->OutputRate());
    for (int s = 0; s < static_cast<int>(stations.size()); ++s) {
        m_feeds.push_back(std::make_unique<CFeed>(*this, s));
        m_piece.emplace_back(static_cast<std::size_t>(pieceOut));
        m_pieceOut.push_back(m_piece.back().data());
        CQueue queue;
        queue.ring.resize(ahead + static_cast<std::size_t>(pieceOut));
        m_queues.push_back(std::move(queue));
    }
}

CIqStations::~CIqStations() = default;

IIqChannelFeed& CIqStations::Feed(int station) {
    return *m_feeds[static_cast<std::size_t>(station)];
}

void CIqStations::Leave(int station) {
    const std::lock_guard lock(m_mutex);
    m_queues[static_cast<std::size_t>(station)].active = false;
    m_changed.notify_all();
}

bool CIqStations::ReadPiece() {
    std::size_t read = 0;
    if (const int cause = m_file.Read(m_raw.data(), m_raw.size(), read); cause != 0) {
        throw CIqSourceError("cannot read the IQ data \"" + m_strDataPath +
                             "\": " + std::strerror(cause));
    }
    const auto count = static_cast<int>(read / IqSampleBytes(m_format));
    if (count == 0) {
        m_nPiece = m_pChanneliser->Flush(m_pieceOut.data());
        return false;
    }
    ConvertIq(m_format, m_raw.data(), static_cast<std::size_t>(count), m_iq.data());
    m_nPiece = m_pChanneliser->Process(m_iq.data(), count, m_pieceOut.data());
    return true;
}

// Whether every other active station has room for one more piece.
bool CIqStations::RoomForAPiece(int except) const {
    for (std::size_t s = 0; s < m_queues.size(); ++s) {
        const CQueue& q = m_queues[s];
        if (static_cast<int>(s) != except && q.active &&
            q.size + m_piece[s].size() > q.ring.size()) {
            return false;
        }
    }
    return true;
}

int CIqStations::Next(int station, std::complex<float>* iq, int max) {
    std::unique_lock lock(m_mutex);
    CQueue& own = m_queues[static_cast<std::size_t>(station)];
    while (own.size == 0) {
        if (m_bEnded) {
            return 0;
        }
        if (m_bReading || !RoomForAPiece(station)) {
            m_changed.wait(lock);
            continue;
        }
        m_bReading = true;
        lock.unlock();
        bool more = false;
        try {
            more = ReadPiece();
        } catch (...) {
            lock.lock();
            m_bReading = false;
            m_bEnded = true;
            m_changed.notify_all();
            throw;
        }
        lock.lock();
        m_bReading = false;
        m_bEnded = !more;
        for (std::size_t s = 0; s < m_queues.size(); ++s) {
            CQueue& q = m_queues[s];
            const std::size_t n = q.active ? static_cast<std::size_t>(m_nPiece) : 0;
            for (std::size_t i = 0; i < n; ++i) {
                q.ring[(q.head + q.size + i) % q.ring.size()] = m_piece[s][i];
            }
            q.size += n;
        }
        m_changed.notify_all();
    }
    const auto take = std::min(own.size, static_cast<std::size_t>(max));
    for (std::size_t i = 0; i < take; ++i) {
        iq[i] = own.ring[(own.head + i) % own.ring.size()];
    }
    own.head = (own.head + take) % own.ring.size();
    own.size -= take;
    m_changed.notify_all();
    return static_cast<int>(take);
}

}  // namespace tavik
