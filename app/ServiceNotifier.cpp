#include "app/ServiceNotifier.h"

#include <sys/stat.h>
#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdio>

namespace tavik {

void CServiceNotifier::Measured(const std::string& status, bool fresh) {
    std::string state = m_bReady ? "" : "READY=1\n";
    if (fresh) {
        state += "WATCHDOG=1\n";
    }
    state += "STATUS=" + status;
    m_bReady = true;
    sd_notify(0, state.c_str());
}

void CServiceNotifier::Stopping() {
    sd_notify(0, "STOPPING=1");
}

CStationsServiceNotifier::CStationsServiceNotifier(int stations, Send send)
    : m_stations(static_cast<std::size_t>(stations)),
      m_send(send ? std::move(send)
                  : [](const std::string& state) { sd_notify(0, state.c_str()); }) {}

void CStationsServiceNotifier::Measured(int station, const std::string& status, bool fed) {
    const std::lock_guard lock(m_mutex);
    SStation& s = m_stations.at(static_cast<std::size_t>(station));
    s.status = status;
    s.bFed = s.bReported ? s.bFed && fed : fed;
    s.bReported = true;
    SendIfRoundComplete();
}

void CStationsServiceNotifier::Ended(int station) {
    const std::lock_guard lock(m_mutex);
    m_stations.at(static_cast<std::size_t>(station)).bEnded = true;
    if (std::all_of(m_stations.begin(), m_stations.end(),
                    [](const SStation& s) { return s.bEnded; })) {
        m_send("STOPPING=1");
    } else {
        SendIfRoundComplete();
    }
}

void CStationsServiceNotifier::SendIfRoundComplete() {
    bool fed = true;
    bool any = false;
    for (const SStation& s : m_stations) {
        if (!s.bEnded) {
            if (!s.bReported) {
                return;
            }
            fed = fed && s.bFed;
            any = true;
        }
    }
    if (!any) {
        return;
    }
    std::string state = m_bReady ? "" : "READY=1\n";
    if (fed) {
        state += "WATCHDOG=1\n";
    }
    state += "STATUS=";
    bool first = true;
    for (SStation& s : m_stations) {
        if (!s.bEnded) {
            state += (first ? "" : " | ") + s.status;
            first = false;
        }
        s.bReported = false;
    }
    m_bReady = true;
    m_send(state);
}

bool CServiceNotifier::IsJournal(const char* journalStream, int fd) {
    if (journalStream == nullptr) {
        return false;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    struct stat st {};
    return std::sscanf(journalStream, "%llu:%llu", &device, &inode) == 2 && ::fstat(fd, &st) == 0 &&
           static_cast<unsigned long long>(st.st_dev) == device &&
           static_cast<unsigned long long>(st.st_ino) == inode;
}

}  // namespace tavik
