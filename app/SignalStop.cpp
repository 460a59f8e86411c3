#include "app/SignalStop.h"

#include <iterator>

namespace tavik {

std::atomic<int> CSignalStop::s_nSignal{0};

static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

CSignalStop::CSignalStop() {
    s_nSignal.store(0);
    // No SA_RESTART: a wait or write that the signal interrupts returns, so a stop is seen.
    struct sigaction action {};
    action.sa_handler = &CSignalStop::Handle;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], &action, &m_oldStop[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (std::size_t i = 0; i < std::size(kIgnoredSignals); ++i) {
        sigaction(kIgnoredSignals[i], &ignore, &m_oldIgnored[i]);
    }
}

CSignalStop::~CSignalStop() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], &m_oldStop[i], nullptr);
    }
    for (std::size_t i = 0; i < std::size(kIgnoredSignals); ++i) {
        sigaction(kIgnoredSignals[i], &m_oldIgnored[i], nullptr);
    }
}

void CSignalStop::Handle(int signal) {
    int none = 0;
    s_nSignal.compare_exchange_strong(none, signal);
}

}  // namespace tavik
