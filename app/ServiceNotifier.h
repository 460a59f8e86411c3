#pragma once

#include <string>

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

}  // namespace tavik
