#include "device/SharedIqStream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "dsp/Tuner.h"

namespace tavik {

namespace {

// How often a waiting station looks at its own stop flag.
constexpr auto kWaitPeriod = std::chrono::milliseconds(50);
// After a retuning, the receiver's samples of this long may still be of the band before.
constexpr double kSettleSeconds = 0.05;
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
    std::optional<SConverterCounts> TakeConverterCounts() override {
        return m_pOwner->TakeConverterCounts(m_nStation);
    }
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
    bool InView() const override { return m_pOwner->InView(m_nStation); }
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
    // On the 25 kHz grid: a station on it then lies on a bin of the channeliser exactly.
    const double middle = std::round((lowest + highest) / 2.0 / 25e3) * 25e3;
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

CSharedIqStream::CBandPlan CSharedIqStream::CBandPlan::For(double rate,
                                                           const std::vector<double>& stations) {
    const double reach = kUsableBand * rate / 2.0 - CChanneliser::kPassHalfWidth;
    std::vector<int> order(stations.size());
    for (std::size_t s = 0; s < order.size(); ++s) {
        order[s] = static_cast<int>(s);
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return stations[static_cast<std::size_t>(a)] < stations[static_cast<std::size_t>(b)];
    });
    CBandPlan plan;
    plan.bandOf.resize(stations.size());
    std::vector<double> band;
    const auto close = [&] {
        plan.centres.push_back(CentreFor(rate, band).value_or((band.front() + band.back()) / 2.0));
        band.clear();
    };
    for (const int s : order) {
        const double station = stations[static_cast<std::size_t>(s)];
        if (!band.empty() && station - band.front() > 2.0 * reach) {
            close();
        }
        band.push_back(station);
        plan.bandOf[static_cast<std::size_t>(s)] = static_cast<int>(plan.centres.size());
    }
    if (!band.empty()) {
        close();
    }
    return plan;
}

std::shared_ptr<CSharedIqStream> CSharedIqStream::Make(DeviceMaker makeDevice,
                                                       const CIqTuning& tuning,
                                                       const std::vector<double>& stations) {
    return Make(std::move(makeDevice), tuning, stations,
                CBandPlan{{tuning.fCentre}, std::vector<int>(stations.size(), 0)}, 0.0);
}

std::shared_ptr<CSharedIqStream> CSharedIqStream::Make(DeviceMaker makeDevice,
                                                       const CIqTuning& tuning,
                                                       const std::vector<double>& stations,
                                                       const CBandPlan& bands,
                                                       double dwellSeconds) {
    std::shared_ptr<CSharedIqStream> shared(
        new CSharedIqStream(tuning, stations, bands, dwellSeconds));
    shared->m_pDevice = makeDevice(shared->m_bRunning);
    shared->m_strName = shared->m_pDevice->Name();
    return shared;
}

CSharedIqStream::CSharedIqStream(const CIqTuning& tuning, const std::vector<double>& stations,
                                 const CBandPlan& bands, double dwellSeconds)
    : m_tuning(tuning),
      m_stations(stations),
      m_bandOf(bands.bandOf),
      m_dwell(dwellSeconds),
      m_backlog(tuning.fRate),
      m_channelCentres(stations.size()) {
    // 20 ms of the receiver per read, as a single station's source reads.
    const auto piece =
        static_cast<int>(std::min(tuning.fRate / 50.0, double{CChanneliser::kMaxInput}));
    m_iq.resize(static_cast<std::size_t>(piece));
    m_piece.resize(stations.size());
    m_queues.resize(stations.size());
    m_bands.resize(bands.centres.size());
    for (std::size_t b = 0; b < m_bands.size(); ++b) {
        CBand& band = m_bands[b];
        band.centre = bands.centres[b];
        std::vector<double> hertz;
        for (std::size_t s = 0; s < stations.size(); ++s) {
            if (m_bandOf[s] == static_cast<int>(b)) {
                band.stations.push_back(static_cast<int>(s));
                hertz.push_back(stations[s]);
            }
        }
        band.channeliser = std::make_unique<CChanneliser>(tuning.fRate, band.centre, hertz);
        m_fChannelRate = band.channeliser->OutputRate();
        const auto pieceOut = static_cast<std::size_t>(band.channeliser->MaxOutput(piece));
        const auto queued = static_cast<std::size_t>(kQueueSeconds * m_fChannelRate);
        for (std::size_t i = 0; i < band.stations.size(); ++i) {
            const auto s = static_cast<std::size_t>(band.stations[i]);
            m_channelCentres[s] = band.channeliser->OutputCentre(static_cast<int>(i));
            m_piece[s].resize(pieceOut);
            band.out.push_back(m_piece[s].data());
            m_queues[s].ring.resize(std::max(queued, pieceOut));
        }
    }
    m_tuning.fCentre = m_bands.front().centre;
}

CIqTuning CSharedIqStream::TuningOf(int band) const {
    CIqTuning tuning = m_tuning;
    tuning.fCentre = m_bands[static_cast<std::size_t>(band)].centre;
    return tuning;
}

std::string CSharedIqStream::DescribeBand(int band) const {
    double low = 0.0;
    double high = 0.0;
    for (const int s : m_bands[static_cast<std::size_t>(band)].stations) {
        const double station = m_stations[static_cast<std::size_t>(s)];
        low = low == 0.0 ? station : std::min(low, station);
        high = std::max(high, station);
    }
    char text[64];
    if (low == high) {
        std::snprintf(text, sizeof text, "%.3f MHz", low / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.3f to %.3f MHz", low / 1e6, high / 1e6);
    }
    return text;
}

bool CSharedIqStream::InView(int station) const {
    return m_bandOf[static_cast<std::size_t>(station)] == m_nBand.load();
}

void CSharedIqStream::RestartBand(int band) {
    CBand& b = m_bands[static_cast<std::size_t>(band)];
    std::vector<double> hertz;
    for (const int s : b.stations) {
        hertz.push_back(m_stations[static_cast<std::size_t>(s)]);
        CQueue& queue = m_queues[static_cast<std::size_t>(s)];
        if (queue.open && !queue.untilBreak) {
            queue.untilBreak = queue.size;
        }
    }
    b.channeliser = std::make_unique<CChanneliser>(m_tuning.fRate, b.centre, hertz);
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
            m_pDevice->Open(TuningOf(m_nBand.load()));
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
            // A new stream: the queues empty, the band's channels start afresh.
            for (CQueue& queue : m_queues) {
                queue.head = queue.size = 0;
                queue.untilBreak.reset();
            }
            own.open = true;
            m_bBusy = true;
            RestartBand(m_nBand.load());
            m_bBusy = false;
            m_bandSince = std::chrono::steady_clock::now();
            m_backlog.Start(m_bandSince);
            m_nSettle = 0;
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
        bool restart = false;     // the signal starts again (a capture looped)
        std::optional<int> next;  // the band the receiver was tuned to
        const int band = m_nBand.load();
        try {
            const auto asked = std::chrono::steady_clock::now();
            count = m_pDevice->Read(m_iq.data(), static_cast<int>(m_iq.size()));
            const auto now = std::chrono::steady_clock::now();
            m_backlog.Read(count, asked, now);
            restart = count > 0 && m_pDevice->TakeBreak();
            // The samples made before a retuning and not read yet, and the first ones after
            // it, are of the band before.
            const auto skip = static_cast<int>(std::min<std::int64_t>(m_nSettle, count));
            m_nSettle -= skip;
            count -= skip;
            if (count > 0) {
                CBand& current = m_bands[static_cast<std::size_t>(band)];
                if (restart) {
                    lock.lock();
                    RestartBand(band);
                    lock.unlock();
                }
                m_nPiece =
                    current.channeliser->Process(m_iq.data() + skip, count, current.out.data());
                // The converter's overload, once for every station that receives the piece.
                std::int64_t atLimit = 0;
                for (int i = skip; i < skip + count; ++i) {
                    const std::complex<float> x = m_iq[static_cast<std::size_t>(i)];
                    atLimit += std::max(std::fabs(x.real()), std::fabs(x.imag())) >=
                                       CTuner::kConverterLimit
                                   ? 1
                                   : 0;
                }
                m_pieceCounts = {count, atLimit};
            }
            // A band is left only once it brought samples of its own.
            if (m_bands.size() > 1 && count > 0 && m_nSettle == 0 && now - m_bandSince >= m_dwell) {
                next = (band + 1) % static_cast<int>(m_bands.size());
                m_pDevice->Retune(m_bands[static_cast<std::size_t>(*next)].centre);
                m_bandSince = now;
                m_nSettle = static_cast<std::int64_t>(kSettleSeconds * m_tuning.fRate) +
                            m_backlog.Samples();
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
        } else {
            if (count > 0) {
                // The receiver's losses, in the channels' samples, for every station.
                const std::int64_t lost =
                    dropped.nSamples * m_bands.front().channeliser->OutputRate() / m_tuning.fRate;
                for (CQueue& queue : m_queues) {
                    if (queue.open) {
                        queue.nDroppedSamples += lost;
                        queue.nDropEvents += dropped.nEvents;
                    }
                }
                Distribute(m_nPiece);
            }
            if (next) {
                // The next band comes into view, its stations' receivers starting afresh.
                m_nBand.store(*next);
                RestartBand(*next);
            }
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
    for (const int station : m_bands[static_cast<std::size_t>(m_nBand.load())].stations) {
        const auto s = static_cast<std::size_t>(station);
        CQueue& q = m_queues[s];
        if (!q.open) {
            continue;
        }
        const std::size_t capacity = q.ring.size();
        q.converter.nSamples += m_pieceCounts.nSamples;
        q.converter.nAtLimit += m_pieceCounts.nAtLimit;
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

CIqStream::SConverterCounts CSharedIqStream::TakeConverterCounts(int station) {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_queues[static_cast<std::size_t>(station)].converter, {});
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
