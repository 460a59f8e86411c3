#include "metrics/MetricsServer.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "metrics/MetricsText.h"
#include "metrics/MetricsTlsFront.h"

namespace tavik {

namespace {

// CivetWeb gives every connection a thread of its own from the moment it is accepted, so a client
// that connects and sends nothing (or sends its request slowly) holds one. Bounds:
// - a request head must arrive within kRequestTimeoutMs, and a write to a client that does not
//   read gives up after as long: a connection holds its thread at most that long per request;
// - a kept-alive connection waits kKeepAliveMs for its next request, then is closed;
// - a request head larger than kMaxRequest is refused unread;
// - kThreads threads, so that several dozen idle connections leave threads free for a scraper:
//   a scrape waits at most kRequestTimeoutMs for every kThreads connections held open before it.
// The library cannot limit the connections of one client address. The linger option stays
// unset: a close then never waits for a client that does not read the tail of its answer.
constexpr const char* kThreads = "64";
constexpr const char* kRequestTimeoutMs = "2000";
constexpr const char* kKeepAliveMs = "500";
constexpr const char* kMaxRequest = "16384";

// CivetWeb's own messages would go to stderr, between the status lines: the caller reports.
int Quiet(const mg_connection* /*connection*/, const char* /*message*/) {
    return 1;
}

// One connection to the listening socket and closed at once: wakes CivetWeb's accepting thread,
// which otherwise looks at its stop flag only every 2 s.
void Poke(const CMetricsAddress& address, int port) {
    const bool any = address.strHost == "0.0.0.0" || address.strHost == "::";
    const std::string host = any ? (address.bIpv6 ? "::1" : "127.0.0.1") : address.strHost;
    const int fd = ::socket(address.bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return;
    }
    if (address.bIpv6) {
        sockaddr_in6 target{};
        target.sin6_family = AF_INET6;
        target.sin6_port = htons(static_cast<std::uint16_t>(port));
        if (inet_pton(AF_INET6, host.c_str(), &target.sin6_addr) == 1) {
            ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        }
    } else {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<std::uint16_t>(port));
        if (inet_pton(AF_INET, host.c_str(), &target.sin_addr) == 1) {
            ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        }
    }
    ::close(fd);
}

// Why `address` cannot be bound ("Address already in use"), empty when it can: CivetWeb only
// says that it failed.
std::string BindFault(const CMetricsAddress& address) {
    const int fd = ::socket(address.bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return std::strerror(errno);
    }
    const int yes = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0) {
        // CivetWeb binds with the option: without it the probe could find the address taken
        // where CivetWeb would not. No cause rather than a wrong one.
        ::close(fd);
        return {};
    }
    int result = -1;
    if (address.bIpv6) {
        sockaddr_in6 target{};
        target.sin6_family = AF_INET6;
        target.sin6_port = htons(static_cast<std::uint16_t>(address.nPort));
        inet_pton(AF_INET6, address.strHost.c_str(), &target.sin6_addr);
        result = ::bind(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    } else {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<std::uint16_t>(address.nPort));
        inet_pton(AF_INET, address.strHost.c_str(), &target.sin_addr);
        result = ::bind(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    const std::string fault = result == 0 ? std::string() : std::strerror(errno);
    ::close(fd);
    return fault;
}

void InitLibrary() {
    static const unsigned features = mg_init_library(0);
    (void)features;
}

// CivetWeb writes a response head's Date with gmtime(), whose buffer all threads share: one head
// at a time. The lock is never held while the measurement publishes.
std::mutex& HeadMutex() {
    static std::mutex mutex;
    return mutex;
}

// 405 with the methods that are allowed, as a client needs them to correct its request.
void SendMethodNotAllowed(mg_connection* connection) {
    static constexpr std::string_view kBody = "Only GET and HEAD\n";
    const std::string length = std::to_string(kBody.size());
    {
        std::lock_guard lock(HeadMutex());
        mg_response_header_start(connection, 405);
        mg_response_header_add(connection, "Allow", "GET, HEAD", -1);
        mg_response_header_add(connection, "Content-Type", "text/plain; charset=utf-8", -1);
        mg_response_header_add(connection, "Content-Length", length.c_str(), -1);
        mg_response_header_send(connection);
    }
    mg_write(connection, kBody.data(), kBody.size());
}

}  // namespace

CMetricsServer::CMetricsServer(CFormat format, int stations)
    : m_format(std::move(format)),
      m_pSnapshots(std::make_shared<const CSnapshots>(static_cast<std::size_t>(stations))) {}

CMetricsServer::~CMetricsServer() {
    m_pTlsFront.reset();  // no connection passes requests on from here
    if (m_pContext == nullptr) {
        return;
    }
    std::atomic<bool> stopped{false};
    std::thread waker([this, &stopped] {
        while (!stopped.load()) {
            Poke(m_address, m_nCivetWebPort);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    mg_stop(m_pContext);
    stopped = true;
    waker.join();
}

std::string CMetricsServer::Start(const CMetricsAddress& address, CMetricsAccess access) {
    InitLibrary();
    m_access = std::move(access);
    if (m_access.UsesTls()) {
        // CivetWeb on a free port of 127.0.0.1, the front on the address asked for.
        if (std::string fault = CMetricsTlsFront::Check(m_access.strCertificate, m_access.strKey);
            !fault.empty()) {
            return fault;
        }
        m_address = CMetricsAddress{};
    } else {
        m_address = address;
    }
    if (std::string fault = StartCivetWeb(); !fault.empty()) {
        return fault;
    }
    if (m_access.UsesTls()) {
        auto front = std::make_unique<CMetricsTlsFront>();
        if (std::string fault =
                front->Start(address, m_access.strCertificate, m_access.strKey, m_nPort);
            !fault.empty()) {
            m_nPort = 0;
            return fault;
        }
        m_nPort = front->GetPort();
        m_pTlsFront = std::move(front);
    }
    return {};
}

std::string CMetricsServer::StartCivetWeb() {
    const CMetricsAddress& address = m_address;
    const std::string ports = address.ListeningPort();
    const char* options[] = {"listening_ports", ports.c_str(), "num_threads", kThreads,
                             "request_timeout_ms", kRequestTimeoutMs, "max_request_size",
                             kMaxRequest, "enable_keep_alive", "yes", "keep_alive_timeout_ms",
                             kKeepAliveMs,
                             // An absolute-form target ("GET http://host:port/metrics") is this
                             // server's when its port is; the host named is not checked against
                             // an authentication domain (there is none), so it is answered like
                             // "GET /metrics" instead of being dropped unanswered.
                             "enable_auth_domain_check", "no", nullptr};
    mg_callbacks callbacks{};
    callbacks.log_message = Quiet;
    char text[256] = "";
    unsigned code = 0;
    mg_error_data error{&code, text, sizeof text};
    mg_init_data init{&callbacks, this, options};
    m_pContext = mg_start2(&init, &error);
    if (m_pContext == nullptr) {
        if (std::string fault = BindFault(address); !fault.empty()) {
            return fault;
        }
        return text[0] != '\0' ? std::string(text) : "the server could not start";
    }
    mg_server_port listening{};
    if (mg_get_server_ports(m_pContext, 1, &listening) == 1) {
        m_nPort = m_nCivetWebPort = listening.port;
    }
    mg_set_request_handler(m_pContext, "/", &CMetricsServer::OnRequest, this);
    return {};
}

void CMetricsServer::Publish(CMetricsSnapshot snapshot, int station) {
    std::shared_ptr<const CSnapshots> next;
    {
        std::lock_guard lock(m_mutex);
        auto changed = std::make_shared<CSnapshots>(*m_pSnapshots);
        changed->at(static_cast<std::size_t>(station)) = std::move(snapshot);
        next = std::move(changed);
        m_pSnapshots.swap(next);
    }
    // The previous snapshots go here, after the lock, unless an HTTP thread still formats them.
}

std::shared_ptr<const CMetricsServer::CSnapshots> CMetricsServer::Current() const {
    std::lock_guard lock(m_mutex);
    return m_pSnapshots;
}

// CivetWeb's thread: one request. Nothing may be thrown out of it (through CivetWeb's C, which
// would end the process): a failure is a 500 for this request, and the thread goes on.
int CMetricsServer::OnRequest(mg_connection* connection, void* server) {
    try {
        return static_cast<CMetricsServer*>(server)->Answer(connection);
    } catch (...) {
        // Only the text can fail, which is made before the head is sent.
        std::lock_guard lock(HeadMutex());
        mg_send_http_error(connection, 500, "%s", "The metrics could not be made\n");
        return 500;
    }
}

// 401 with the scheme and realm a client needs to retry with credentials.
int CMetricsServer::AnswerUnauthorised(mg_connection* connection) const {
    static constexpr std::string_view kBody = "Credentials needed\n";
    const std::string length = std::to_string(kBody.size());
    {
        std::lock_guard lock(HeadMutex());
        mg_response_header_start(connection, 401);
        mg_response_header_add(connection, "WWW-Authenticate", "Basic realm=\"tavik\"", -1);
        mg_response_header_add(connection, "Content-Type", "text/plain; charset=utf-8", -1);
        mg_response_header_add(connection, "Content-Length", length.c_str(), -1);
        mg_response_header_send(connection);
    }
    mg_write(connection, kBody.data(), kBody.size());
    return 401;
}

int CMetricsServer::Answer(mg_connection* connection) const {
    if (m_access.pUsers != nullptr &&
        !m_access.pUsers->VerifyHeader(mg_get_header(connection, "Authorization"))) {
        return AnswerUnauthorised(connection);
    }
    const mg_request_info* request = mg_get_request_info(connection);
    if (request == nullptr || request->local_uri == nullptr ||
        std::strcmp(request->local_uri, "/metrics") != 0) {
        std::lock_guard lock(HeadMutex());
        mg_send_http_error(connection, 404, "%s", "Not found; the metrics are at /metrics\n");
        return 404;
    }
    const bool head = std::strcmp(request->request_method, "HEAD") == 0;
    if (!head && std::strcmp(request->request_method, "GET") != 0) {
        SendMethodNotAllowed(connection);
        return 405;
    }
    const std::shared_ptr<const CSnapshots> snapshots = Current();
    const std::string body = m_format(*snapshots);
    {
        std::lock_guard lock(HeadMutex());
        mg_send_http_ok(connection, CMetricsText::kContentType,
                        static_cast<long long>(body.size()));
    }
    if (!head) {
        mg_write(connection, body.data(), body.size());
    }
    return 200;
}

}  // namespace tavik
