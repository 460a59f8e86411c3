#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "metrics/MetricsAccess.h"
#include "metrics/MetricsAddress.h"
#include "metrics/MetricsSnapshot.h"
#include "metrics/MetricsText.h"

struct mg_connection;
struct mg_context;

namespace tavik {

class CMetricsTlsFront;

// The HTTP endpoint `GET /metrics` (CivetWeb, a bounded pool of threads of its own; each
// connection's time to send its request is bounded, so idle clients cannot starve a scraper).
// The measurement's thread publishes a snapshot once a second: publishing swaps a pointer under a
// mutex that the HTTP threads hold only to take their own reference, so a slow or stalled client
// never holds up the measurement; the HTTP threads format the text. `GET` and `HEAD` are answered
// in origin form (`/metrics`) and absolute form (`http://host:port/metrics`); another method is
// 405 with its `Allow` header, another path 404, a request whose answer fails a 500. With users
// to check, a request without the credentials of one of them is 401 (Basic, realm "tavik")
// whatever it asks; with a certificate the endpoint speaks HTTPS only (CMetricsTlsFront).
class CMetricsServer {
public:
    // Makes the text of the stations' snapshots; any thread.
    using CFormat = std::function<std::string(std::span<const CMetricsSnapshot>)>;

    // `stations`: the stations measured at once, each publishing its own snapshot.
    explicit CMetricsServer(CFormat format = &CMetricsText::FormatStations, int stations = 1);
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // Listens on `address`; empty when it does, else why it cannot ("address in use", an
    // unusable certificate).
    std::string Start(const CMetricsAddress& address, CMetricsAccess access = {});
    // The port listened on (the one taken for port 0); 0 before a successful Start.
    int GetPort() const { return m_nPort; }
    // "http" or "https".
    const char* Scheme() const { return m_access.UsesTls() ? "https" : "http"; }
    // Any thread; the endpoint shows `snapshot` for station `station` from now on.
    void Publish(CMetricsSnapshot snapshot, int station = 0);

private:
    static int OnRequest(mg_connection* connection, void* server);
    int Answer(mg_connection* connection) const;  // the status sent
    int AnswerUnauthorised(mg_connection* connection) const;
    std::string StartCivetWeb();  // on m_address
    using CSnapshots = std::vector<CMetricsSnapshot>;
    std::shared_ptr<const CSnapshots> Current() const;

    const CFormat m_format;
    mutable std::mutex m_mutex;  // m_pSnapshots only
    std::shared_ptr<const CSnapshots> m_pSnapshots;
    CMetricsAccess m_access;
    CMetricsAddress m_address;  // where CivetWeb listens: behind the TLS front on 127.0.0.1
    mg_context* m_pContext = nullptr;
    std::unique_ptr<CMetricsTlsFront> m_pTlsFront;
    int m_nPort = 0;          // the endpoint's
    int m_nCivetWebPort = 0;  // CivetWeb's, the same without TLS
};

}  // namespace tavik
