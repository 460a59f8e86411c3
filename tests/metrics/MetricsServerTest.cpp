#include "metrics/MetricsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "metrics/MetricsText.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// A client socket to the server on 127.0.0.1; closed with the object.
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

std::string Get(int port, const std::string& path, const char* method = "GET") {
    CClient client(port);
    return client.Request(std::string(method) + " " + path +
                          " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

std::string Body(const std::string& response) {
    const std::size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : response.substr(end + 4);
}

CMetricsSnapshot Snapshot(int alarms) {
    CMetricsSnapshot s;
    s.strVersion = "0.1";
    s.fFrequency = 106.7f;
    s.power60s = 0.5f;
    for (int i = 0; i < alarms; ++i) {
        s.alarms.push_back({"alarm number " + std::to_string(i), false, 0});
    }
    return s;
}

// Resident memory of this process in kB.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

class MetricsServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMetricsAddress address;
        ASSERT_EQ(address.Parse("0"), "");
        ASSERT_EQ(m_server.Start(address), "");
        ASSERT_GT(m_server.GetPort(), 0);
    }

    CMetricsServer m_server;
};

TEST_F(MetricsServerTest, ServesTheNewestSnapshotAtMetricsOnlyAnd404Elsewhere) {
    const int port = m_server.GetPort();
    m_server.Publish(Snapshot(1));
    const std::string response = Get(port, "/metrics");
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
    EXPECT_NE(response.find("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
              std::string::npos);
    EXPECT_EQ(Body(response), CMetricsText::Format(Snapshot(1)));
    m_server.Publish(Snapshot(2));
    EXPECT_EQ(Body(Get(port, "/metrics")), CMetricsText::Format(Snapshot(2)));

    const struct {
        const char* method;
        const char* path;
        const char* status;
    } others[] = {{"GET", "/", "HTTP/1.1 404"},         {"GET", "/metrics/", "HTTP/1.1 404"},
                  {"GET", "/metricsx", "HTTP/1.1 404"}, {"GET", "/metrics?x=1", "HTTP/1.1 200"},
                  {"POST", "/metrics", "HTTP/1.1 405"}, {"HEAD", "/metrics", "HTTP/1.1 200"}};
    for (const auto& o : others) {
        const std::string answer = Get(port, o.path, o.method);
        EXPECT_EQ(answer.rfind(o.status, 0), 0u) << o.method << " " << o.path << ": " << answer;
    }
    EXPECT_EQ(Body(Get(port, "/metrics", "HEAD")), "");
}

TEST_F(MetricsServerTest, ASecondServerOnTheSamePortSaysWhy) {
    CMetricsAddress address;
    ASSERT_EQ(address.Parse(std::to_string(m_server.GetPort())), "");
    CMetricsServer second;
    EXPECT_EQ(second.Start(address), "Address already in use");
    EXPECT_EQ(second.GetPort(), 0);
}

// Clients that connect and never send, one that sends megabytes of headers and ones that ask for a
// response larger than the socket buffers and never read it: publishing goes on at once, the
// memory does not grow with what they send, and an ordinary scrape is still answered.
TEST_F(MetricsServerTest, SlowAndHostileClientsHoldUpNeitherPublishingNorMemory) {
    const int port = m_server.GetPort();
    // About 7 MB of text: more than the loopback connection buffers, so the thread that
    // answers the reader below stays blocked in its write.
    m_server.Publish(Snapshot(60000));
    const long before = ResidentKb();

    CClient idle1(port);
    CClient idle2(port);
    CClient stalledReader(port, 4096);
    ASSERT_TRUE(idle1.IsConnected() && idle2.IsConnected() && stalledReader.IsConnected());
    stalledReader.SendSome("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    // Headers without end, up to 64 MB, for as long as the server takes them.
    CClient flood(port);
    flood.SendSome("GET /metrics HTTP/1.1\r\nX-Filler: ");
    const std::string filler(1 << 20, 'a');
    std::size_t flooded = 0;
    for (int idle = 0; flooded < (64u << 20) && idle < 20;) {
        const std::size_t n = flood.SendSome(filler);
        flooded += n;
        idle = n == 0 ? idle + 1 : 0;
        if (n == 0) {
            std::this_thread::sleep_for(5ms);
        }
    }
    EXPECT_GT(flooded, 16384u);  // more than the longest head the server reads
    // Refused once the head passed its limit: an error status, or the connection closed.
    const std::string refusal = flood.Request("");
    EXPECT_TRUE(refusal.empty() ||
                (refusal.compare(0, 7, "HTTP/1.") == 0 && refusal.compare(8, 2, " 4") == 0))
        << refusal.substr(0, 80);

    // The measurement's side: publishing never waits for the HTTP threads.
    std::atomic<bool> done{false};
    std::thread publisher([&] {
        for (int i = 0; i < 100; ++i) {
            m_server.Publish(Snapshot(i % 2));
        }
        done = true;
    });
    for (int i = 0; i < 60 && !done; ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(done) << "publishing was held up by a client";
    publisher.join();
    m_server.Publish(Snapshot(1));

    EXPECT_EQ(Body(Get(port, "/metrics")), CMetricsText::Format(Snapshot(1)));
    // The server keeps no more than a bounded request head per connection.
    EXPECT_LT(ResidentKb() - before, 32 * 1024) << flooded << " bytes flooded";
}

}  // namespace
}  // namespace tavik
