#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tavik::test {

// A socket standing in for systemd's: the datagrams it received.
class CNotifySocket {
public:
    explicit CNotifySocket(const std::string& path) : m_fd(::socket(AF_UNIX, SOCK_DGRAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        m_bBound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~CNotifySocket() { ::close(m_fd); }
    CNotifySocket(const CNotifySocket&) = delete;
    CNotifySocket& operator=(const CNotifySocket&) = delete;

    bool IsBound() const { return m_bBound; }
    std::vector<std::string> Received() const {
        std::vector<std::string> messages;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            messages.emplace_back(buffer, static_cast<std::size_t>(n));
        }
        return messages;
    }

private:
    int m_fd;
    bool m_bBound = false;
};

}  // namespace tavik::test
