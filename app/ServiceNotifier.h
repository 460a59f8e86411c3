#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tavik {

// Tells systemd how a `Type=notify` service is doing, through the socket in NOTIFY_SOCKET;
// without one (not started by systemd) every call does nothing. READY=1 goes out with the first
// second of the measuring loop, WATCHDOG=1 with every second in which the analysers delivered
// results or a live receiver is being reconnected, so a measurement that froze (no tick, or
// ticks without new results while the samples should flow) misses the watchdog and systemd
// restarts it; a link down is left to the metrics and alerts.
class CServiceNotifier {
public:
    // A second of the measuring loop: `fresh` when it feeds the watchdog. The first call also
    // says READY=1; `status` is shown by `systemctl status`.
    void Measured(const std::string& status, bool fresh);
    void Stopping();

    // Whether `journalStream` (JOURNAL_STREAM, "DEVICE:INODE") names the stream on `fd`:
    // then the lines go to the journal, which reads "<N>" line prefixes as priorities.
    static bool IsJournal(const char* journalStream, int fd);

private:
    bool m_bReady = false;
};

// The same for a service that measures several stations, each on a thread of its own. A round
// ends when every station still measuring has reported a second; then one notification goes
// out: READY=1 with the first, STATUS with every station's status, and WATCHDOG=1 only if each
// of them fed it (a second with results, a receiver being reconnected, or the station out of
// view while the receiver measures another band). So one station whose measurement froze misses
// the watchdog for the whole service, which a watchdog for any station would hide.
class CStationsServiceNotifier {
public:
    using Send = std::function<void(const std::string&)>;
    // `send` takes each notification; by default it goes to systemd.
    explicit CStationsServiceNotifier(int stations, Send send = {});

    void Measured(int station, const std::string& status, bool fed);
    // The station's measuring ended: rounds go on without it; the last one says STOPPING=1.
    void Ended(int station);

private:
    void SendIfRoundComplete();

    struct SStation {
        std::string status;
        bool bReported = false;
        bool bFed = true;
        bool bEnded = false;
    };
    std::mutex m_mutex;
    std::vector<SStation> m_stations;
    Send m_send;
    bool m_bReady = false;
};

}  // namespace tavik
