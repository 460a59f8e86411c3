#include "app/SignalStop.h"

namespace tavik {

std::atomic<int> CSignalStop::s_nSignal{0};

static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

CSignalStop::CSignalStop() {
    s_nSignal.store(0);
    struct sigaction action {};
    action.sa_handler = &CSignalStop::Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &m_oldPipe);
}

CSignalStop::~CSignalStop() {
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    sigaction(SIGPIPE, &m_oldPipe, nullptr);
}

void CSignalStop::Handle(int signal) {
    int none = 0;
    s_nSignal.compare_exchange_strong(none, signal);
}

}  // namespace tavik
