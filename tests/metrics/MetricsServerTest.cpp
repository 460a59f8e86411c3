// The HTTP endpoint against raw clients on 127.0.0.1: what each request is answered, and what
// slow, idle and hostile clients can and cannot hold up.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "metrics/MetricsAddress.h"
#include "metrics/MetricsServer.h"
#include "metrics/MetricsText.h"
#include "tests/support/HttpClient.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using test::Body;
using test::CClient;
using test::Get;
using test::Has;

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

    std::atomic<bool> m_bFailing{false};  // the text cannot be made while set
    CMetricsServer m_server{[this](std::span<const CMetricsSnapshot> snapshots) {
        if (m_bFailing.load()) {
            throw std::length_error("too long");
        }
        return CMetricsText::FormatStations(snapshots);
    }};
};

// A request whose answer fails (here the text cannot be made) is a 500, never the end of the
// process: CivetWeb's thread goes on and answers the next one.
TEST_F(MetricsServerTest, ServesTheNewestSnapshotOr500OnAFailure) {
    const int port = m_server.GetPort();
    m_server.Publish(Snapshot(1));
    const std::string response = Get(port, "/metrics");
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
    EXPECT_TRUE(Has(response, "Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
    EXPECT_EQ(Body(response), CMetricsText::Format(Snapshot(1)));
    m_server.Publish(Snapshot(2));
    EXPECT_EQ(Body(Get(port, "/metrics")), CMetricsText::Format(Snapshot(2)));

    m_bFailing = true;
    const std::string failed = Get(port, "/metrics");
    EXPECT_EQ(failed.rfind("HTTP/1.1 500", 0), 0u) << failed;
    m_bFailing = false;
    EXPECT_EQ(Body(Get(port, "/metrics")), CMetricsText::Format(Snapshot(2)));
}

// Raw request lines and the status line and headers of their answers: the metrics for GET and
// HEAD at /metrics in origin or absolute form, 404 elsewhere, 405 naming the allowed methods.
TEST_F(MetricsServerTest, AnswersEachRequestLineWithItsStatusAndHeaders) {
    m_server.Publish(Snapshot(1));
    const std::string port = std::to_string(m_server.GetPort());
    const std::string metrics = CMetricsText::Format(Snapshot(1));
    const struct {
        std::string line;
        const char* status;
        std::string header;  // a line the head must hold
        std::string body;
    } cases[] = {
        {"GET /metrics HTTP/1.1", "HTTP/1.1 200 OK",
         "Content-Type: text/plain; version=0.0.4; charset=utf-8", metrics},
        {"GET /metrics?x=1 HTTP/1.1", "HTTP/1.1 200 OK", "Content-Length: ", metrics},
        {"GET /metrics HTTP/1.0", "HTTP/1.0 200 OK", "Content-Length: ", metrics},
        {"HEAD /metrics HTTP/1.1", "HTTP/1.1 200 OK",
         "Content-Length: " + std::to_string(metrics.size()), ""},
        {"GET http://127.0.0.1:" + port + "/metrics HTTP/1.1", "HTTP/1.1 200 OK",
         "Content-Length: ", metrics},
        {"GET http://tx-north.example.net:" + port + "/metrics?x=1 HTTP/1.1", "HTTP/1.1 200 OK",
         "Content-Length: ", metrics},
        {"HEAD http://127.0.0.1:" + port + "/metrics HTTP/1.1", "HTTP/1.1 200 OK",
         "Content-Length: ", ""},
        {"GET http://127.0.0.1:" + port + "/ HTTP/1.1", "HTTP/1.1 404 Not Found", "", ""},
        {"GET / HTTP/1.1", "HTTP/1.1 404 Not Found", "", ""},
        {"GET /metrics/ HTTP/1.1", "HTTP/1.1 404 Not Found", "", ""},
        {"GET /metricsx HTTP/1.1", "HTTP/1.1 404 Not Found", "", ""},
        {"POST /metrics HTTP/1.1", "HTTP/1.1 405 Method Not Allowed", "Allow: GET, HEAD",
         "Only GET and HEAD\n"},
        {"OPTIONS /metrics HTTP/1.1", "HTTP/1.1 405 Method Not Allowed", "Allow: GET, HEAD",
         "Only GET and HEAD\n"},
        {"PUT http://127.0.0.1:" + port + "/metrics HTTP/1.1", "HTTP/1.1 405 Method Not Allowed",
         "Allow: GET, HEAD", "Only GET and HEAD\n"},
        {"GET metrics HTTP/1.1", "HTTP/1.1 400 Bad Request", "", ""},
    };
    for (const auto& c : cases) {
        const std::string answer =
            CClient(m_server.GetPort())
                .Request(c.line + "\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        const std::string head = answer.substr(0, answer.find("\r\n\r\n") + 2);
        EXPECT_EQ(head.substr(0, head.find("\r\n")), c.status) << c.line;
        EXPECT_TRUE(Has(head, "\r\n" + c.header)) << c.line << "\n" << head;
        if (!c.body.empty() || Has(c.line, "HEAD ")) {
            EXPECT_EQ(Body(answer), c.body) << c.line;
        }
    }
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
    [[maybe_unused]] const long before = ResidentKb();

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
    // The server keeps no more than a bounded request head per connection. The sanitizers' shadow
    // memory grows with every byte the threads touch, so the bound holds for a plain build.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(ResidentKb() - before, 32 * 1024) << flooded << " bytes flooded";
#endif
}

// A slowloris: connections that open and send nothing. Each may hold one of the server's threads
// only until its request time runs out (then the server closes it), and there are threads enough
// beside them that a scraper is answered at once. The bound on a scrape is generous; the
// latencies themselves are measured apart.
TEST_F(MetricsServerTest, IdleConnectionsNeitherKeepAScraperWaitingNorStayOpen) {
    const int port = m_server.GetPort();
    m_server.Publish(Snapshot(1));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<CClient>> idle;
    for (int i = 0; i < 50; ++i) {
        idle.push_back(std::make_unique<CClient>(port));
        ASSERT_TRUE(idle.back()->IsConnected()) << i;
    }
    for (int i = 0; i < 4; ++i) {
        CClient scraper(port);
        scraper.SetReceiveTimeout(1500ms);
        const std::string answer =
            scraper.Request("GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(Body(answer), CMetricsText::Format(Snapshot(1))) << "scrape " << i;
        std::this_thread::sleep_for(200ms);
    }
    const auto deadline = start + 6s;
    for (std::size_t i = 0; i < idle.size(); ++i) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        idle[i]->SetReceiveTimeout(std::max(left, 10ms));
        idle[i]->Request("");  // returns when the server closes, or after the timeout
        EXPECT_LT(std::chrono::steady_clock::now(), deadline) << "idle connection " << i;
    }
}

}  // namespace
}  // namespace tavik
