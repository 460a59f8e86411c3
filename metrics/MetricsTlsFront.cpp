#include "metrics/MetricsTlsFront.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavik {

namespace {

// The reason of OpenSSL's first error, the cause ("no start line" rather than the "PEM lib" it
// led to); the queue emptied. `code` receives the error.
std::string OpenSslFault(unsigned long* code = nullptr) {
    const unsigned long first = ERR_peek_error();
    const char* reason = ERR_reason_error_string(first);
    ERR_clear_error();
    if (code != nullptr) {
        *code = first;
    }
    return reason != nullptr ? reason : "unknown TLS error";
}

// Why the file at `path` cannot be read; empty when it can.
std::string Unreadable(const std::string& path) {
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        return {};
    }
    return "cannot read " + path + ": " + std::strerror(errno);
}

ssl_ctx_st* MakeContext(const std::string& certificate, const std::string& key,
                        std::string& fault) {
    if (fault = Unreadable(certificate); !fault.empty()) {
        return nullptr;
    }
    if (fault = Unreadable(key); !fault.empty()) {
        return nullptr;
    }
    ERR_clear_error();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) {
        fault = "TLS is not available: " + OpenSslFault();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate_chain_file(context, certificate.c_str()) != 1) {
        fault = certificate + " is not a PEM certificate: " + OpenSslFault();
    } else if (SSL_CTX_use_PrivateKey_file(context, key.c_str(), SSL_FILETYPE_PEM) != 1) {
        unsigned long code = 0;
        const std::string reason = OpenSslFault(&code);
        fault = ERR_GET_REASON(code) == X509_R_KEY_VALUES_MISMATCH
                    ? key + " is not the key of " + certificate + ": " + reason
                    : key + " is not an unencrypted PEM private key";  // the reason says no more
    } else if (SSL_CTX_check_private_key(context) != 1) {
        fault = key + " is not the key of " + certificate + ": " + OpenSslFault();
    }
    if (!fault.empty()) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

void SetTimeouts(int fd) {
    const timeval timeout{CMetricsTlsFront::kTimeoutMs / 1000,
                          CMetricsTlsFront::kTimeoutMs % 1000 * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

int ConnectBackend(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void CMetricsTlsFront::CContextFree::operator()(ssl_ctx_st* context) const {
    SSL_CTX_free(context);
}

std::string CMetricsTlsFront::Check(const std::string& certificate, const std::string& key) {
    std::string fault;
    SSL_CTX_free(MakeContext(certificate, key, fault));
    return fault;
}

std::string CMetricsTlsFront::Start(const CMetricsAddress& address, const std::string& certificate,
                                    const std::string& key, int backendPort) {
    std::string fault;
    m_pContext.reset(MakeContext(certificate, key, fault));
    if (!m_pContext) {
        return fault;
    }
    // A client that closes while its answer is written would raise SIGPIPE in OpenSSL's
    // write, which ends the process; CivetWeb, in the same process, ignores it likewise.
    struct sigaction pipe {};
    if (::sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) {
        ::signal(SIGPIPE, SIG_IGN);
    }
    m_nListen = ::socket(address.bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_nListen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    int bound = -1;
    if (address.bIpv6) {
        sockaddr_in6 local{};
        local.sin6_family = AF_INET6;
        local.sin6_port = htons(static_cast<std::uint16_t>(address.nPort));
        inet_pton(AF_INET6, address.strHost.c_str(), &local.sin6_addr);
        ::setsockopt(m_nListen, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
        bound = ::bind(m_nListen, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    } else {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(static_cast<std::uint16_t>(address.nPort));
        inet_pton(AF_INET, address.strHost.c_str(), &local.sin_addr);
        bound = ::bind(m_nListen, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    if (m_nListen < 0 || bound != 0 || ::listen(m_nListen, 64) != 0 ||
        ::pipe2(m_nStop, O_CLOEXEC) != 0) {
        return std::strerror(errno);
    }
    sockaddr_storage local{};
    socklen_t size = sizeof local;
    ::getsockname(m_nListen, reinterpret_cast<sockaddr*>(&local), &size);
    m_nPort =
        ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port
                                          : reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    m_nBackendPort = backendPort;
    m_accept = std::thread([this] { AcceptLoop(); });
    return {};
}

CMetricsTlsFront::~CMetricsTlsFront() {
    if (m_nStop[1] >= 0) {
        const char byte = 0;
        (void)!::write(m_nStop[1], &byte, 1);
    }
    if (m_accept.joinable()) {
        m_accept.join();
    }
    CutSlow(true);
    Reap(true);
    for (const int fd : {m_nListen, m_nStop[0], m_nStop[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void CMetricsTlsFront::AcceptLoop() {
    constexpr int kWatchMs = 250;  // how often slow handshakes are looked for
    for (;;) {
        pollfd fds[2] = {{m_nListen, POLLIN, 0}, {m_nStop[0], POLLIN, 0}};
        if (::poll(fds, 2, kWatchMs) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        CutSlow(false);
        Reap(false);
        if ((fds[0].revents & POLLIN) != 0) {
            Accept();
        }
    }
}

void CMetricsTlsFront::Accept() {
    const int client = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (static_cast<int>(m_connections.size()) >= kMaxConnections) {
        ::close(client);
        return;
    }
    auto state = std::make_shared<CState>();
    m_connections.push_back({std::thread([this, client, state] { Serve(client, *state); }), client,
                             std::chrono::steady_clock::now(), state});
}

void CMetricsTlsFront::CutSlow(bool all) {
    const auto late = std::chrono::steady_clock::now() - std::chrono::milliseconds(kTimeoutMs);
    std::lock_guard lock(m_mutex);
    for (const CConnection& connection : m_connections) {
        if (all || (!connection.pState->bHandshaken.load() && connection.start < late)) {
            ::shutdown(connection.nFd, SHUT_RDWR);  // the thread's reads and writes return
        }
    }
}

// Joins the connections' threads that ended, or all of them, and closes their sockets.
void CMetricsTlsFront::Reap(bool all) {
    std::vector<CConnection> ended;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if (all || it->pState->bDone.load()) {
                ended.push_back(std::move(*it));
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (CConnection& connection : ended) {
        connection.thread.join();
        ::close(connection.nFd);
    }
}

// A connection's thread: the handshake, then the bytes both ways until either side closes,
// a read stalls, the connection idles kTimeoutMs or the front stops.
void CMetricsTlsFront::Serve(int client, CState& state) {
    SetTimeouts(client);
    SSL* ssl = SSL_new(m_pContext.get());
    if (ssl != nullptr && SSL_set_fd(ssl, client) == 1 && SSL_accept(ssl) == 1) {
        state.bHandshaken = true;
        if (const int backend = ConnectBackend(m_nBackendPort); backend >= 0) {
            SetTimeouts(backend);
            Pump(ssl, client, backend);
            ::close(backend);
        }
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    ERR_clear_error();
    ::shutdown(client, SHUT_RDWR);  // the client sees the end now; the socket closes when reaped
    state.bDone = true;
}

void CMetricsTlsFront::Pump(void* connection, int client, int backend) const {
    SSL* ssl = static_cast<SSL*>(connection);
    char buffer[16384];
    for (;;) {
        bool fromClient = SSL_pending(ssl) > 0;
        bool fromBackend = false;
        if (!fromClient) {
            pollfd fds[3] = {{client, POLLIN, 0}, {backend, POLLIN, 0}, {m_nStop[0], POLLIN, 0}};
            if (::poll(fds, 3, kTimeoutMs) <= 0 || fds[2].revents != 0) {
                return;
            }
            fromClient = fds[0].revents != 0;
            fromBackend = fds[1].revents != 0;
        }
        if (fromClient) {
            const int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n <= 0 || !SendAll(backend, buffer, static_cast<std::size_t>(n))) {
                return;
            }
        }
        if (fromBackend) {
            const ssize_t n = ::recv(backend, buffer, sizeof buffer, 0);
            if (n <= 0 || SSL_write(ssl, buffer, static_cast<int>(n)) != n) {
                return;
            }
        }
    }
}

}  // namespace tavik
