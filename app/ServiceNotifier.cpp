#include "app/ServiceNotifier.h"

#include <sys/stat.h>
#include <systemd/sd-daemon.h>

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
