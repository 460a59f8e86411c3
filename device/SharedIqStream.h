#pragma once

#include <atomic>
#include <chrono>
#include <complex>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/IqBacklog.h"
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
// Stations that do not fit one band are measured in turn: the receiver dwells on each band
// (CBandPlan) for a while, then is tuned to the next; a station is in view (InView) while its
// band is received, and its receiver starts afresh each time its band comes back.
class CSharedIqStream : public std::enable_shared_from_this<CSharedIqStream> {
public:
    static constexpr double kQueueSeconds = 0.5;
    // Of the receiver's band, the part used: the edges of a real tuner's band are filtered.
    static constexpr double kUsableBand = 0.85;

    // Which band each station is received in, and each band's centre (Hz).
    struct CBandPlan {
        std::vector<double> centres;
        std::vector<int> bandOf;  // per station
        // The stations in bands the receiver of `rate` takes (from the lowest up, each as
        // wide as the usable band allows), each band's centre by CentreFor.
        static CBandPlan For(double rate, const std::vector<double>& stations);
    };

    // `makeDevice` makes the receiver's stream with the flag its waits end on; it is opened
    // with `tuning` (at the first band's centre) when a station first needs it, and dwells
    // `dwellSeconds` on each band. Throws std::invalid_argument when a station's channel lies
    // outside its band.
    using DeviceMaker = std::function<std::unique_ptr<CIqStream>(const std::atomic<bool>&)>;
    static std::shared_ptr<CSharedIqStream> Make(DeviceMaker makeDevice, const CIqTuning& tuning,
                                                 const std::vector<double>& stations);
    static std::shared_ptr<CSharedIqStream> Make(DeviceMaker makeDevice, const CIqTuning& tuning,
                                                 const std::vector<double>& stations,
                                                 const CBandPlan& bands, double dwellSeconds);
    ~CSharedIqStream();
    CSharedIqStream(const CSharedIqStream&) = delete;
    CSharedIqStream& operator=(const CSharedIqStream&) = delete;

    // The centre (Hz, on the 25 kHz grid) at which a receiver of `rate` takes every station, kept
    // off the stations' channels where it can be (a tuner's 0 Hz carries its DC spike); nullopt
    // when the stations do not fit the usable band.
    static std::optional<double> CentreFor(double rate, const std::vector<double>& stations);

    int Count() const { return static_cast<int>(m_stations.size()); }
    int Bands() const { return static_cast<int>(m_bands.size()); }
    // "98.900 to 99.900 MHz": the stations of band `band`.
    std::string DescribeBand(int band) const;
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
        CIqStream::SConverterCounts converter;  // the receiver's, while in view
    };

    // One band: its centre, its stations and their channeliser, which Read uses with m_bBusy
    // set.
    struct CBand {
        double centre = 0.0;
        std::vector<int> stations;
        std::unique_ptr<CChanneliser> channeliser;
        std::vector<std::complex<float>*> out;  // its stations' pieces
    };

    CSharedIqStream(const CIqTuning& tuning, const std::vector<double>& stations,
                    const CBandPlan& bands, double dwellSeconds);
    void Open(int station);
    void Close(int station);
    bool IsOpen(int station) const;
    bool InView(int station) const;
    int Read(int station, const std::atomic<bool>& running, std::complex<float>* iq, int max);
    CIqStream::SDropped TakeDropped(int station);
    bool TakeBreak(int station);
    CIqStream::SConverterCounts TakeConverterCounts(int station);
    std::string PaceFault() const;
    // The band `band`'s channels start afresh, its stations' receivers at their next samples.
    void RestartBand(int band);  // with m_bBusy set, the lock held
    void Distribute(int count);  // the current band's piece, under the lock
    CIqTuning TuningOf(int band) const;

    CIqTuning m_tuning;
    std::vector<double> m_stations;
    std::vector<CBand> m_bands;
    std::vector<int> m_bandOf;  // per station
    std::chrono::duration<double> m_dwell;
    std::atomic<int> m_nBand{0};  // the band received
    std::chrono::steady_clock::time_point m_bandSince;
    std::int64_t m_nSettle = 0;  // samples still to skip after a retuning
    CIqBacklog m_backlog;        // the receiver's samples made but not read yet
    std::atomic<bool> m_bRunning{true};
    std::unique_ptr<CIqStream> m_pDevice;
    double m_fChannelRate = 0.0;
    std::vector<double> m_channelCentres;  // per station
    std::string m_strName;
    std::vector<std::complex<float>> m_iq;
    std::vector<std::vector<std::complex<float>>> m_piece;  // per station, the last piece
    int m_nPiece = 0;
    CIqStream::SConverterCounts m_pieceCounts;  // of the last piece

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CQueue> m_queues;  // guarded by m_mutex
    bool m_bBusy = false;          // a station reads or opens the receiver (outside the lock)
    bool m_bDeviceOpen = false;    // guarded by m_mutex
    std::string m_strPaceFault;    // the receiver's, after the last piece
};

}  // namespace tavik
