#include "device/RtlTcpClient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace tavik {

namespace {

constexpr auto kSlice = std::chrono::milliseconds(100);  // how soon a stop is noticed

std::uint32_t BigEndian(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

}  // namespace

CRtlTcpClient::CRtlTcpClient(const std::string& address, const std::atomic<bool>& running)
    : m_bRunning(running) {
    const std::size_t colon = address.rfind(':');
    m_strHost = address.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string port = address.substr(colon + 1);
        char* end = nullptr;
        const unsigned long value = std::strtoul(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || value == 0 || value > 65535) {
            throw CRtlTcpError("\"" + port + "\" is not a TCP port (1 to 65535)");
        }
        m_nPort = static_cast<std::uint16_t>(value);
    }
    if (m_strHost.empty()) {
        throw CRtlTcpError("rtltcp: needs a host (rtltcp:HOST or rtltcp:HOST:PORT)");
    }
}

CRtlTcpClient::~CRtlTcpClient() {
    Disconnect();
}

std::string CRtlTcpClient::Address() const {
    return m_strHost + ":" + std::to_string(m_nPort);
}

void CRtlTcpClient::Disconnect() {
    if (m_nSocket >= 0) {
        ::close(m_nSocket);
        m_nSocket = -1;
    }
}

void CRtlTcpClient::Connect() {
    Disconnect();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int cause = ::getaddrinfo(m_strHost.c_str(), nullptr, &hints, &found);
        cause != 0 || found == nullptr) {
        throw CRtlTcpError("cannot find the rtl_tcp host \"" + m_strHost +
                           "\": " + ::gai_strerror(cause));
    }
    sockaddr_in peer = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    peer.sin_port = htons(m_nPort);

    m_nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_nSocket < 0) {
        throw CRtlTcpError(std::string("cannot open a socket: ") + std::strerror(errno));
    }
    if (::connect(m_nSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 &&
        errno != EINPROGRESS) {
        const int cause = errno;
        Disconnect();
        throw CRtlTcpError("cannot connect to " + Address() + ": " + std::strerror(cause));
    }
    if (!WaitFor(POLLOUT, kConnectTimeout,
                 Address() + " did not accept the connection within 5 s")) {
        return;
    }
    // The outcome of the connection; a socket whose state cannot be read is no connection.
    int cause = 0;
    socklen_t length = sizeof cause;
    if (::getsockopt(m_nSocket, SOL_SOCKET, SO_ERROR, &cause, &length) != 0) {
        cause = errno;
    }
    if (cause != 0) {
        Disconnect();
        throw CRtlTcpError("cannot connect to " + Address() + ": " + std::strerror(cause));
    }
    // The 5-byte commands go out at once, not held back to be joined with later ones.
    const int one = 1;
    if (::setsockopt(m_nSocket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
        cause = errno;
        Disconnect();
        throw CRtlTcpError("cannot set up the connection to " + Address() + ": " +
                           std::strerror(cause));
    }

    std::array<std::uint8_t, 12> greeting{};
    ReadExactly(greeting.data(), greeting.size(), kConnectTimeout);
    if (!IsConnected()) {
        return;  // stopped
    }
    if (std::memcmp(greeting.data(), "RTL0", 4) != 0) {
        Disconnect();
        throw CRtlTcpError(Address() +
                           " is not an rtl_tcp server (its greeting does not begin "
                           "with \"RTL0\")");
    }
    m_nTunerType = BigEndian(greeting.data() + 4);
    m_nGainCount = BigEndian(greeting.data() + 8);
}

void CRtlTcpClient::SendCommand(ECommand command, std::uint32_t parameter) {
    const std::array<std::uint8_t, 5> bytes = {command, static_cast<std::uint8_t>(parameter >> 24),
                                               static_cast<std::uint8_t>(parameter >> 16),
                                               static_cast<std::uint8_t>(parameter >> 8),
                                               static_cast<std::uint8_t>(parameter)};
    std::size_t sent = 0;
    while (sent < bytes.size() && IsConnected()) {
        const ssize_t n = ::send(m_nSocket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(POLLOUT, kStallTimeout,
                         "the rtl_tcp server " + Address() + " took no command for 3 s")) {
                return;
            }
        } else if (n < 0 && errno != EINTR) {
            const int cause = errno;
            Disconnect();
            throw CRtlTcpError("the connection to " + Address() +
                               " failed: " + std::strerror(cause));
        }
    }
}

std::size_t CRtlTcpClient::Read(std::uint8_t* buffer, std::size_t size) {
    while (IsConnected()) {
        const ssize_t n = ::recv(m_nSocket, buffer, size, 0);
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        if (n == 0) {
            Disconnect();
            throw CRtlTcpError("the rtl_tcp server " + Address() + " closed the connection");
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(POLLIN, kStallTimeout,
                         "the rtl_tcp server " + Address() + " sent no samples for 3 s")) {
                return 0;
            }
        } else if (errno != EINTR) {
            const int cause = errno;
            Disconnect();
            throw CRtlTcpError("the connection to " + Address() +
                               " failed: " + std::strerror(cause));
        }
    }
    return 0;
}

void CRtlTcpClient::ReadExactly(std::uint8_t* buffer, std::size_t size,
                                std::chrono::milliseconds limit) {
    std::size_t got = 0;
    while (got < size && IsConnected()) {
        const ssize_t n = ::recv(m_nSocket, buffer + got, size - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            Disconnect();
            throw CRtlTcpError(Address() + " closed the connection before its rtl_tcp greeting");
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(POLLIN, limit, Address() + " sent no rtl_tcp greeting within 5 s")) {
                return;
            }
        } else if (errno != EINTR) {
            const int cause = errno;
            Disconnect();
            throw CRtlTcpError("the connection to " + Address() +
                               " failed: " + std::strerror(cause));
        }
    }
}

bool CRtlTcpClient::WaitFor(short events, std::chrono::milliseconds limit,
                            const std::string& timeout) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_bRunning.load()) {
        pollfd descriptor{m_nSocket, events, 0};
        const int ready = ::poll(&descriptor, 1, static_cast<int>(kSlice.count()));
        if (ready > 0) {
            return true;  // readiness or an error: the next call finds out which
        }
        if (ready < 0 && errno != EINTR) {
            const int cause = errno;
            Disconnect();
            throw CRtlTcpError("the connection to " + Address() +
                               " failed: " + std::strerror(cause));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Disconnect();
            throw CRtlTcpError(timeout);
        }
    }
    Disconnect();
    return false;
}

}  // namespace tavik
