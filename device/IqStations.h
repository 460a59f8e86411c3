#pragma once

#include <complex>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "device/IqFileSource.h"
#include "dsp/Channeliser.h"
#include "dsp/IqFormat.h"
#include "platform/File.h"

namespace tavik {

// One capture, several stations: the IQ is read once and channelised once (CChanneliser), and
// each station takes its channel through its own feed, to be received by its own
// CIqFileSource on its own thread. Whichever station runs out reads the next piece of the
// capture for all; a station more than kAheadSeconds ahead of the slowest waits, so memory
// stays bounded. A station that stops reading leaves (Leave), so it holds nobody back.
class CIqStations {
public:
    // Five pieces of 100 ms: each station's queue holds 1.6 MB of channel samples.
    static constexpr double kAheadSeconds = 0.5;

    // The capture of `settings` (its station ignored) and the stations in Hz. Throws
    // CIqSourceError when the capture cannot be read or a station's channel lies outside it.
    CIqStations(const CIqSourceSettings& settings, const std::vector<double>& stations);
    ~CIqStations();
    CIqStations(const CIqStations&) = delete;
    CIqStations& operator=(const CIqStations&) = delete;

    int Count() const { return static_cast<int>(m_feeds.size()); }
    IIqChannelFeed& Feed(int station);
    // The station stops reading: it no longer holds the others back.
    void Leave(int station);

private:
    class CFeed;
    // A station's waiting channel samples: a ring of fixed size.
    struct CQueue {
        std::vector<std::complex<float>> ring;
        std::size_t head = 0;
        std::size_t size = 0;
        bool active = true;
    };
    int Next(int station, std::complex<float>* iq, int max);
    bool ReadPiece();  // one piece of the capture into m_piece; false at its end
    bool RoomForAPiece(int except) const;

    CFile m_file;
    CIqFormat m_format;
    std::string m_strDataPath;
    std::unique_ptr<CChanneliser> m_pChanneliser;
    std::vector<std::unique_ptr<CFeed>> m_feeds;
    std::vector<std::uint8_t> m_raw;
    std::vector<std::complex<float>> m_iq;
    std::vector<std::vector<std::complex<float>>> m_piece;  // per station, the last piece
    std::vector<std::complex<float>*> m_pieceOut;
    int m_nPiece = 0;  // samples per station in m_piece

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CQueue> m_queues;  // guarded by m_mutex
    bool m_bReading = false;       // a station reads the capture (outside the lock)
    bool m_bEnded = false;
};

}  // namespace tavik
