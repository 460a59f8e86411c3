#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace tavik::test {

// A client socket to a server on 127.0.0.1; closed with the object.
class CClient {
public:
    // `receiveBuffer`: a small window, for a reader that takes little.
    explicit CClient(int port, int receiveBuffer = 0) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        if (receiveBuffer > 0) {
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bConnected =
            ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        const timeval timeout{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~CClient() { ::close(m_fd); }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;

    bool IsConnected() const { return m_bConnected; }
    int Fd() const { return m_fd; }
    // How long a receive waits before it gives up (10 s unless set).
    void SetReceiveTimeout(std::chrono::milliseconds timeout) {
        const timeval value{static_cast<time_t>(timeout.count() / 1000),
                            static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    }
    // Sends what the socket takes without waiting; the bytes sent.
    std::size_t SendSome(const std::string& bytes) {
        const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // The whole response of a request that closes the connection.
    std::string Request(const std::string& request) {
        ::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL);
        std::string response;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0;) {
            response.append(buffer, static_cast<std::size_t>(n));
        }
        return response;
    }

private:
    int m_fd;
    bool m_bConnected = false;
};

inline std::string Get(int port, const std::string& path, const char* method = "GET") {
    return CClient(port).Request(std::string(method) + " " + path +
                                 " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

// The body of a response: what follows the head.
inline std::string Body(const std::string& response) {
    const std::size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : response.substr(end + 4);
}

}  // namespace tavik::test
