#include "device/SharedIqStream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace tavik {

namespace {

// How often a waiting station looks at its own stop flag.
constexpr auto kWaitPeriod = std::chrono::milliseconds(50);
// A station's channel this close to the tuner's 0 Hz takes its DC spike.
constexpr double kClearOfDc = 100000.0;

}  // namespace

// A station's stream: its queue of the shared receiver's channel.
class CSharedIqStream::CStationStream final : public CIqStream {
public:
    CStationStream(std::shared_ptr<CSharedIqStream> owner, int station,
                   const std::atomic<bool>& running)
        : m_pOwner(std::move(owner)), m_nStation(station), m_running(running) {}
    ~CStationStream() override { m_pOwner->Close(m_nStation); }

    void Open(const CIqTuning&) override { m_pOwner->Open(m_nStation); }
    bool IsOpen() const override { return m_pOwner->IsOpen(m_nStation); }
    void Close() override { m_pOwner->Close(m_nStation); }
    void Retune(double) override {
        throw CIqStreamError(m_pOwner->Name() + " is shared by several stations and stays tuned");
    }
    int Read(std::complex<float>* iq, int count) override {
        return m_pOwner->Read(m_nStation, m_running, iq, count);
    }
    std::string Name() const override { return m_pOwner->Name(); }
    SDropped TakeDropped() override { return m_pOwner->TakeDropped(m_nStation); }
    bool TakeBreak() override { return m_pOwner->TakeBreak(m_nStation); }
    std::string PaceFault() const override { return m_pOwner->PaceFault(); }

private:
    std::shared_ptr<CSharedIqStream> m_pOwner;
    int m_nStation;
    const std::atomic<bool>& m_running;
};

class CSharedIqStream::CChannel final : public IIqChannelSource {
public:
    CChannel(std::shared_ptr<CSharedIqStream> owner, int station)
        : m_pOwner(std::move(owner)), m_nStation(station) {}
    double ChannelRate() const override { return m_pOwner->m_fChannelRate; }
    double ChannelCentre() const override {
        return m_pOwner->m_channelCentres[static_cast<std::size_t>(m_nStation)];
    }
    std::unique_ptr<CIqStream> MakeStream(const std::atomic<bool>& running) override {
        return std::make_unique<CStationStream>(m_pOwner, m_nStation, running);
    }

private:
    std::shared_ptr<CSharedIqStream> m_pOwner;
    int m_nStation;
};

std::optional<double> CSharedIqStream::CentreFor(double rate, const std::vector<double>& stations) {
    if (stations.empty()) {
        return std::nullopt;
    }
    const auto [low, high] = std::minmax_element(stations.begin(), stations.end());
    // Every station's channel within the usable band around the centre.
    const double reach = kUsableBand * rate / 2.0 - CChanneliser::kPassHalfWidth;
    const double lowest = *high - reach;  // the range of centres that take them all
    const double highest = *low + reach;
    if (lowest > highest) {
        return std::nullopt;
    }
    // From the middle outwards in 25 kHz steps, the first centre clear of every channel;
    // else the one farthest from the nearest.
    const double middle = std::round((lowest + highest) / 2.0 / 1e3) * 1e3;
    double best = middle;
    double bestClearance = -1.0;
    for (int step = 0; step <= 200; ++step) {
        const double centre = middle + 25000.0 * ((step + 1) / 2) * (step % 2 == 0 ? 1 : -1);
        if (centre < lowest || centre > highest) {
            continue;
        }
        double clearance = rate;
        for (const double station : stations) {
            clearance = std::min(clearance, std::fabs(station - centre));
        }
        if (clearance >= CChanneliser::kPassHalfWidth + kClearOfDc - 1.0) {
            return centre;
        }
        if (clearance > bestClearance) {
            best = centre;
            bestClearance = clearance;
        }
    }
    return best;
}

std::shared_ptr<CSharedIqStream> CSharedIqStream::Make(DeviceMaker makeDevice,
                                                       const CIqTuning& tuning,
                                                       const std::vector<double>& stations) {
    std::shared_ptr<CSharedIqStream> shared(new CSharedIqStream(tuning, stations));
    shared->m_pDevice = makeDevice(shared->m_bRunning);
    shared->m_strName = shared->m_pDevice->Name();
    return shared;
}

CSharedIqStream::CSharedIqStream(const CIqTuning& tuning, const std::vector<double>& stations)
    : m_tuning(tuning), m_stations(stations) {
    m_pChanneliser = std::make_unique<CChanneliser>(tuning.fRate, tuning.fCentre, stations);
    m_fChannelRate = m_pChanneliser->OutputRate();
    for (int s = 0; s < m_pChanneliser->Channels(); ++s) {
        m_channelCentres.push_back(m_pChanneliser->OutputCentre(s));
    }
    // 20 ms of the receiver per read, as a single station's source reads.
    const auto piece =
        static_cast<int>(std::min(tuning.fRate / 50.0, double{CChanneliser::kMaxInput}));
    m_iq.resize(static_cast<std::size_t>(piece));
    const int pieceOut = m_pChanneliser->MaxOutput(piece);
    const auto queued = static_cast<std::size_t>(kQueueSeconds * m_pChanneliser->OutputRate());
    m_queues.resize(stations.size());
    for (CQueue& queue : m_queues) {
        m_piece.emplace_back(static_cast<std::size_t>(pieceOut));
        m_pieceOut.push_back(m_piece.back().data());
        queue.ring.resize(std::max(queued, static_cast<std::size_t>(pieceOut)));
    }
}

CSharedIqStream::~CSharedIqStream() {
    m_bRunning.store(false);
    if (m_pDevice) {
        m_pDevice->Close();
    }
}

std::shared_ptr<IIqChannelSource> CSharedIqStream::Channel(int station) {
    return std::make_shared<CChannel>(shared_from_this(), station);
}

void CSharedIqStream::Open(int station) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bBusy; });
    CQueue& own = m_queues[static_cast<std::size_t>(station)];
    own.error.reset();
    if (!m_bDeviceOpen) {
        m_bBusy = true;
        lock.unlock();
        bool opened = false;
        try {
            m_pDevice->Open(m_tuning);
            opened = m_pDevice->IsOpen();
        } catch (...) {
            lock.lock();
            m_bBusy = false;
            m_changed.notify_all();
            throw;
        }
        lock.lock();
        m_bBusy = false;
        m_bDeviceOpen = opened;
        if (opened) {
            // A new stream: the channeliser starts afresh, the stations' queues empty.
            m_pChanneliser =
                std::make_unique<CChanneliser>(m_tuning.fRate, m_tuning.fCentre, m_stations);
            for (CQueue& queue : m_queues) {
                queue.head = queue.size = 0;
                queue.untilBreak.reset();
            }
        }
        m_changed.notify_all();
    }
    own.open = m_bDeviceOpen;
}

void CSharedIqStream::Close(int station) {
    std::unique_lock lock(m_mutex);
    CQueue& own = m_queues[static_cast<std::size_t>(station)];
    own.open = false;
    own.head = own.size = 0;
    own.untilBreak.reset();
    own.bBreak = false;
    const bool anyOpen =
        std::any_of(m_queues.begin(), m_queues.end(), [](const CQueue& q) { return q.open; });
    if (!anyOpen && m_bDeviceOpen) {
        m_changed.wait(lock, [this] { return !m_bBusy; });
        if (std::none_of(m_queues.begin(), m_queues.end(),
                         [](const CQueue& q) { return q.open; })) {
            m_pDevice->Close();
            m_bDeviceOpen = false;
        }
    }
    m_changed.notify_all();
}

bool CSharedIqStream::IsOpen(int station) const {
    const std::lock_guard lock(m_mutex);
    return m_bDeviceOpen && m_queues[static_cast<std::size_t>(station)].open;
}

int CSharedIqStream::Read(int station, const std::atomic<bool>& running, std::complex<float>* iq,
                          int max) {
    std::unique_lock lock(m_mutex);
    CQueue& own = m_queues[static_cast<std::size_t>(station)];
    while (own.size == 0) {
        if (own.error) {
            const std::string error = *own.error;
            own.error.reset();
            own.open = false;
            throw CIqStreamError(error);
        }
        if (!running.load() || !own.open) {
            return 0;
        }
        if (m_bBusy) {
            m_changed.wait_for(lock, kWaitPeriod);
            continue;
        }
        m_bBusy = true;
        lock.unlock();
        std::optional<std::string> broken;
        int count = 0;
        try {
            count = m_pDevice->Read(m_iq.data(), static_cast<int>(m_iq.size()));
            if (count > 0 && m_pDevice->TakeBreak()) {
                // The channels start afresh with the signal; each station's receiver too,
                // once it reaches the break.
                m_pChanneliser =
                    std::make_unique<CChanneliser>(m_tuning.fRate, m_tuning.fCentre, m_stations);
                const std::lock_guard breaks(m_mutex);
                for (CQueue& queue : m_queues) {
                    if (queue.open && !queue.untilBreak) {
                        queue.untilBreak = queue.size;
                    }
                }
            }
            if (count > 0) {
                m_nPiece = m_pChanneliser->Process(m_iq.data(), count, m_pieceOut.data());
            }
        } catch (const CIqStreamError& e) {
            broken = e.what();
        }
        const CIqStream::SDropped dropped = m_pDevice->TakeDropped();
        std::string pace = m_pDevice->PaceFault();
        lock.lock();
        m_bBusy = false;
        m_strPaceFault = std::move(pace);
        if (broken) {
            // Every open station hears of the break once; the next Open reconnects.
            m_pDevice->Close();
            m_bDeviceOpen = false;
            for (CQueue& queue : m_queues) {
                if (queue.open) {
                    queue.error = *broken;
                }
                queue.head = queue.size = 0;
            }
        } else if (count > 0) {
            // The receiver's losses, in the channels' samples, for every station.
            const std::int64_t lost = dropped.nSamples / m_pChanneliser->Decimation();
            for (CQueue& queue : m_queues) {
                if (queue.open) {
                    queue.nDroppedSamples += lost;
                    queue.nDropEvents += dropped.nEvents;
                }
            }
            Distribute(m_nPiece);
        }
        m_changed.notify_all();
    }
    // A Read ends at a break, and the one after it says it begins there.
    own.bBreak = own.untilBreak == std::size_t{0};
    if (own.bBreak) {
        own.untilBreak.reset();
    }
    const auto take =
        std::min({own.size, static_cast<std::size_t>(max), own.untilBreak.value_or(own.size)});
    for (std::size_t i = 0; i < take; ++i) {
        iq[i] = own.ring[(own.head + i) % own.ring.size()];
    }
    own.head = (own.head + take) % own.ring.size();
    own.size -= take;
    if (own.untilBreak) {
        *own.untilBreak -= take;
    }
    return static_cast<int>(take);
}

void CSharedIqStream::Distribute(int count) {
    const auto n = static_cast<std::size_t>(count);
    for (std::size_t s = 0; s < m_queues.size(); ++s) {
        CQueue& q = m_queues[s];
        if (!q.open) {
            continue;
        }
        const std::size_t capacity = q.ring.size();
        if (q.size + n > capacity) {
            // This station fell behind: its oldest samples go, and are reported lost.
            const std::size_t lost = q.size + n - capacity;
            q.head = (q.head + lost) % capacity;
            q.size -= lost;
            q.nDroppedSamples += static_cast<std::int64_t>(lost);
            if (q.untilBreak) {
                *q.untilBreak -= std::min(*q.untilBreak, lost);
            }
            ++q.nDropEvents;
        }
        for (std::size_t i = 0; i < n; ++i) {
            q.ring[(q.head + q.size + i) % capacity] = m_piece[s][i];
        }
        q.size += n;
    }
}

CIqStream::SDropped CSharedIqStream::TakeDropped(int station) {
    const std::lock_guard lock(m_mutex);
    CQueue& own = m_queues[static_cast<std::size_t>(station)];
    const CIqStream::SDropped dropped{own.nDroppedSamples, own.nDropEvents};
    own.nDroppedSamples = own.nDropEvents = 0;
    return dropped;
}

bool CSharedIqStream::TakeBreak(int station) {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_queues[static_cast<std::size_t>(station)].bBreak, false);
}

std::string CSharedIqStream::PaceFault() const {
    const std::lock_guard lock(m_mutex);
    return m_strPaceFault;
}

}  // namespace tavik
