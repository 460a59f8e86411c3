#pragma once

#include <atomic>
#include <complex>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/IqStream.h"
#include "dsp/Channeliser.h"

namespace tavik {

// One receiver, several stations: the wideband stream is read once and channelised once
// (CChanneliser), and each station takes its channel through a stream of its own
// (IIqChannelSource), to be received by its own CLiveIqSource on its own thread. Whichever
// station runs out reads the next piece of the receiver for all. The receiver does not wait
// for anyone: a station that falls more than kQueueSeconds behind loses its oldest samples,
// which its stream reports as dropped. What the receiver itself loses, and its pace fault, is
// reported to every station. A broken stream breaks every station's read once (each reconnects
// as it would alone); the first station that opens again opens the receiver for all.
class CSharedIqStream : public std::enable_shared_from_this<CSharedIqStream> {
public:
    static constexpr double kQueueSeconds = 0.5;
    // Of the receiver's band, the part used: the edges of a real tuner's band are filtered.
    static constexpr double kUsableBand = 0.85;

    // `makeDevice` makes the receiver's stream with the flag its waits end on; it is opened
    // with `tuning` when a station first needs it. Throws std::invalid_argument when a
    // station's channel lies outside the tuning's band.
    using DeviceMaker = std::function<std::unique_ptr<CIqStream>(const std::atomic<bool>&)>;
    static std::shared_ptr<CSharedIqStream> Make(DeviceMaker makeDevice, const CIqTuning& tuning,
                                                 const std::vector<double>& stations);
    ~CSharedIqStream();
    CSharedIqStream(const CSharedIqStream&) = delete;
    CSharedIqStream& operator=(const CSharedIqStream&) = delete;

    // The centre (Hz, on the kHz) at which a receiver of `rate` takes every station, kept off
    // the stations' channels where it can be (a tuner's 0 Hz carries its DC spike); nullopt when
    // the stations do not fit the usable band.
    static std::optional<double> CentreFor(double rate, const std::vector<double>& stations);

    int Count() const { return static_cast<int>(m_stations.size()); }
    std::shared_ptr<IIqChannelSource> Channel(int station);
    // The receiver's name, as the log names it.
    const std::string& Name() const { return m_strName; }

private:
    class CChannel;
    class CStationStream;
    struct CQueue {
        std::vector<std::complex<float>> ring;
        std::size_t head = 0;
        std::size_t size = 0;
        bool open = false;
        std::optional<std::string> error;       // the failure not yet told to this station
        std::optional<std::size_t> untilBreak;  // queued samples before a break in the signal
        bool bBreak = false;                    // the last Read began after a break
        std::int64_t nDroppedSamples = 0;
        std::int64_t nDropEvents = 0;
    };

    CSharedIqStream(const CIqTuning& tuning, const std::vector<double>& stations);
    void Open(int station);
    void Close(int station);
    bool IsOpen(int station) const;
    int Read(int station, const std::atomic<bool>& running, std::complex<float>* iq, int max);
    CIqStream::SDropped TakeDropped(int station);
    bool TakeBreak(int station);
    std::string PaceFault() const;
    // Reads one piece of the receiver and hands it to the open stations' queues; called with
    // m_bBusy set, the lock released.
    void ReadPiece();
    void Distribute(int count);  // under the lock

    CIqTuning m_tuning;
    std::vector<double> m_stations;
    std::atomic<bool> m_bRunning{true};
    std::unique_ptr<CIqStream> m_pDevice;
    std::unique_ptr<CChanneliser> m_pChanneliser;  // used by the station with m_bBusy set
    double m_fChannelRate = 0.0;
    std::vector<double> m_channelCentres;
    std::string m_strName;
    std::vector<std::complex<float>> m_iq;
    std::vector<std::vector<std::complex<float>>> m_piece;  // per station, the last piece
    std::vector<std::complex<float>*> m_pieceOut;
    int m_nPiece = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CQueue> m_queues;   // guarded by m_mutex
    bool m_bBusy = false;           // a station reads or opens the receiver (outside the lock)
    bool m_bDeviceOpen = false;     // guarded by m_mutex
    std::string m_strPaceFault;     // the receiver's, after the last piece
    CIqStream::SDropped m_dropped;  // the receiver's losses of the last piece
};

}  // namespace tavik
