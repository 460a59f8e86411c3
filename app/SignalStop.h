#pragma once

#include <atomic>
#include <csignal>

namespace tavik {

// While it lives, SIGINT, SIGTERM and SIGHUP only record the signal's number; the main loop
// polls it and stops the measurement the normal way. SIGPIPE is ignored, so a closed output
// pipe never ends a run before its files are closed, and SIGXFSZ too, so a file-size limit
// fails the write (EFBIG) instead of killing the process mid-record. The earlier handlers come
// back on destruction.
class CSignalStop {
public:
    CSignalStop();
    ~CSignalStop();
    CSignalStop(const CSignalStop&) = delete;
    CSignalStop& operator=(const CSignalStop&) = delete;

    // Stops as a signal would (the monitor's output pipe lost its reader).
    static void Request(int signal) { Handle(signal); }
    // The number of the first signal received, 0 while none came.
    static int Received() { return s_nSignal.load(); }
    static const std::atomic<int>& Flag() { return s_nSignal; }

private:
    static void Handle(int signal);

    static std::atomic<int> s_nSignal;
    static constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr int kIgnoredSignals[] = {SIGPIPE, SIGXFSZ};
    struct sigaction m_oldStop[3]{};
    struct sigaction m_oldIgnored[2]{};
};

}  // namespace tavik
