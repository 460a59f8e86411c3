#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "metrics/MetricsAddress.h"

struct ssl_ctx_st;

namespace tavik {

// HTTPS in front of the plain HTTP server: takes TLS connections on the endpoint's address and
// passes each one's plain bytes, both ways, through its own connection to the HTTP server on
// 127.0.0.1. OpenSSL is linked here rather than left to CivetWeb, whose Debian build loads
// "libssl.so" at run time (a development link) and cannot use OpenSSL 3.
// Bounds as the HTTP server's: at most kMaxConnections at once (more are closed at once), a
// handshake that takes longer than kTimeoutMs is cut, a read that stalls gives up after as long,
// and a connection idle that long ends.
class CMetricsTlsFront {
public:
    CMetricsTlsFront() = default;
    ~CMetricsTlsFront();
    CMetricsTlsFront(const CMetricsTlsFront&) = delete;
    CMetricsTlsFront& operator=(const CMetricsTlsFront&) = delete;

    // Whether the certificate chain and key (PEM files) can serve: empty, else why not.
    static std::string Check(const std::string& certificate, const std::string& key);
    // Listens on `address` with that certificate and key, passing connections on to
    // 127.0.0.1:`backendPort`; empty when it does, else why not.
    std::string Start(const CMetricsAddress& address, const std::string& certificate,
                      const std::string& key, int backendPort);
    int GetPort() const { return m_nPort; }

    static constexpr int kMaxConnections = 48;
    static constexpr int kTimeoutMs = 2000;

private:
    struct CState {
        std::atomic<bool> bHandshaken{false};
        std::atomic<bool> bDone{false};
    };
    // A connection's socket stays open until its thread is joined, so that the accepting thread
    // may shut it down meanwhile.
    struct CConnection {
        std::thread thread;
        int nFd = -1;
        std::chrono::steady_clock::time_point start;
        std::shared_ptr<CState> pState;
    };
    void AcceptLoop();
    void Accept();
    void Serve(int client, CState& state);
    void Pump(void* ssl, int client, int backend) const;
    // Shuts down the connections whose handshake has taken longer than kTimeoutMs (a client
    // sending a byte now and then would pass every read's own timeout), or all of them.
    void CutSlow(bool all);
    void Reap(bool all);

    struct CContextFree {
        void operator()(ssl_ctx_st* context) const;
    };
    std::unique_ptr<ssl_ctx_st, CContextFree> m_pContext;
    int m_nListen = -1;
    int m_nStop[2] = {-1, -1};  // a pipe: written once at the stop, wakes every poll
    int m_nPort = 0;
    int m_nBackendPort = 0;
    std::thread m_accept;
    std::mutex m_mutex;  // m_connections
    std::vector<CConnection> m_connections;
};

}  // namespace tavik
