#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "metrics/MetricsAddress.h"
#include "metrics/MetricsServer.h"
#include "metrics/MetricsText.h"
#include "tests/support/HttpClient.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using test::Body;
using test::CClient;
using test::Get;
using test::Has;

// The counters' families, always there.
const std::string kCounters =
    "# HELP tavik_measured_seconds_total Seconds measured since the start.\n"
    "# TYPE tavik_measured_seconds_total counter\n"
    "tavik_measured_seconds_total 0\n"
    "# HELP tavik_records_written_total Result records written to the result file.\n"
    "# TYPE tavik_records_written_total counter\n"
    "tavik_records_written_total 0\n"
    "# HELP tavik_records_lost_total Result records that could not be written.\n"
    "# TYPE tavik_records_lost_total counter\n"
    "tavik_records_lost_total 0\n"
    "# HELP tavik_console_lines_dropped_total Console lines dropped because the output was not "
    "read.\n"
    "# TYPE tavik_console_lines_dropped_total counter\n"
    "tavik_console_lines_dropped_total 0\n"
    "# HELP tavik_device_errors_total Failures of the device's and the analysis's threads.\n"
    "# TYPE tavik_device_errors_total counter\n"
    "tavik_device_errors_total 0\n"
    "# HELP tavik_dropped_total Work dropped because a consumer was busy: sample blocks "
    "(samples), blocks an analyser (analysers) or the RDS worker (rds) could not take, results "
    "(results).\n"
    "# TYPE tavik_dropped_total counter\n";

const std::string kBuildInfo =
    "# HELP tavik_build_info The program's version.\n"
    "# TYPE tavik_build_info gauge\n"
    "tavik_build_info{version=\"0.1\"} 1\n"
    "# HELP tavik_station_info The station measured: tuned frequency and the decoded RDS PI and "
    "PS.\n"
    "# TYPE tavik_station_info gauge\n";

CMetricsSnapshot Measured() {
    CMetricsSnapshot s;
    s.strVersion = "0.1";
    s.fFrequency = 106.7f;
    s.strPI = "D313";
    s.strPS = "TAVIK \"FM\"";
    s.deviationPeak = 76.12f;
    s.deviationMax = 77.5f;
    s.power1s = 2.95f;
    s.power60s = -std::numeric_limits<float>::infinity();
    s.pilot = 6.75f;
    s.pilotError = -0.4f;
    s.rdsInjection = 0.0f;  // no RDS
    s.audioLeft = -6.5f;
    s.audioRight = -90.0f;
    s.silence = 1.0f;
    s.multipath = 0.125f;
    s.rfLevel = 65.1f;
    s.ituDeviation = true;
    s.ituRfLevel = true;
    s.ituMultipath = false;
    s.rdsErrorRatio = 0.0f;
    s.carrierToNoise = 38.5f;
    s.frequencyError = -2500.0f;
    s.overloadRatio = 0.0005f;
    s.lastResult = 1781517600.4;
    s.alarms = {{"Dev", true, 3}, {"Low\\level", false, 0}};
    s.nMeasuredSeconds = 3600;
    s.nRecordsWritten = 3540;
    s.nRecordsLost = 2;
    s.nConsoleLinesDropped = 7;
    s.nDeviceErrors = 1;
    s.drops.n = {1, 5, 0, 9};
    return s;
}

const std::string kReceptionUp =
    "# HELP tavik_reception_up Whether the receiver delivers and a carrier is there (1) or not "
    "(0).\n"
    "# TYPE tavik_reception_up gauge\n"
    "tavik_reception_up 1\n";

TEST(MetricsTextTest, LaysOutEachFamilyExactlyAndLeavesOutWhatIsNotMeasured) {
    CMetricsSnapshot nothing;
    nothing.strVersion = "0.1";
    nothing.fFrequency = 87.5f;
    const struct {
        const char* name;
        CMetricsSnapshot snapshot;
        std::string expected;
    } cases[] = {
        {"nothing measured yet", nothing,
         kBuildInfo + "tavik_station_info{frequency_mhz=\"87.5\",pi=\"\",ps=\"\"} 1\n" +
             kReceptionUp + kCounters +
             "tavik_dropped_total{kind=\"samples\"} 0\n"
             "tavik_dropped_total{kind=\"analysers\"} 0\n"
             "tavik_dropped_total{kind=\"rds\"} 0\n"
             "tavik_dropped_total{kind=\"results\"} 0\n"},
        {"everything measured", Measured(),
         kBuildInfo +
             "tavik_station_info{frequency_mhz=\"106.7\",pi=\"D313\",ps=\"TAVIK \\\"FM\\\"\"} 1\n"
             "# HELP tavik_deviation_peak_khz Largest deviation peak of the last second in kHz.\n"
             "# TYPE tavik_deviation_peak_khz gauge\n"
             "tavik_deviation_peak_khz 76.12\n"
             "# HELP tavik_deviation_max_khz Largest deviation since the start in kHz.\n"
             "# TYPE tavik_deviation_max_khz gauge\n"
             "tavik_deviation_max_khz 77.5\n"
             "# HELP tavik_mpx_power_1s_dbr MPX power over the last second in dBr.\n"
             "# TYPE tavik_mpx_power_1s_dbr gauge\n"
             "tavik_mpx_power_1s_dbr 2.95\n"
             "# HELP tavik_mpx_power_60s_dbr MPX power over the last 60 seconds in dBr (ITU-R "
             "BS.412).\n"
             "# TYPE tavik_mpx_power_60s_dbr gauge\n"
             "tavik_mpx_power_60s_dbr -Inf\n"
             "# HELP tavik_pilot_khz Pilot injection as peak deviation in kHz (0 without a "
             "pilot).\n"
             "# TYPE tavik_pilot_khz gauge\n"
             "tavik_pilot_khz 6.75\n"
             "# HELP tavik_pilot_error_hz Pilot frequency above 19000 Hz in Hz.\n"
             "# TYPE tavik_pilot_error_hz gauge\n"
             "tavik_pilot_error_hz -0.4\n"
             "# HELP tavik_rds_injection_khz RDS injection as peak deviation of the 57 kHz "
             "subcarrier in kHz (0 without RDS).\n"
             "# TYPE tavik_rds_injection_khz gauge\n"
             "tavik_rds_injection_khz 0\n"
             "# HELP tavik_audio_left_db Left audio peak of the last second in dB of full "
             "modulation (75 kHz mono = 0 dB).\n"
             "# TYPE tavik_audio_left_db gauge\n"
             "tavik_audio_left_db -6.5\n"
             "# HELP tavik_audio_right_db Right audio peak of the last second in dB of full "
             "modulation (75 kHz mono = 0 dB).\n"
             "# TYPE tavik_audio_right_db gauge\n"
             "tavik_audio_right_db -90\n"
             "# HELP tavik_silence Whether the programme is silent (1) or not (0).\n"
             "# TYPE tavik_silence gauge\n"
             "tavik_silence 1\n"
             "# HELP tavik_multipath_pct_per_khz Multipath in percent per kHz.\n"
             "# TYPE tavik_multipath_pct_per_khz gauge\n"
             "tavik_multipath_pct_per_khz 0.125\n"
             "# HELP tavik_rf_level_dbuv RF level at zero deviation in dBuV.\n"
             "# TYPE tavik_rf_level_dbuv gauge\n"
             "tavik_rf_level_dbuv 65.1\n"
             "# HELP tavik_itu_condition_met Whether an ITU-R measurement condition is met (1) or "
             "not (0).\n"
             "# TYPE tavik_itu_condition_met gauge\n"
             "tavik_itu_condition_met{condition=\"deviation\"} 1\n"
             "tavik_itu_condition_met{condition=\"rf_level\"} 1\n"
             "tavik_itu_condition_met{condition=\"multipath\"} 0\n"
             "# HELP tavik_rds_bit_error_ratio RDS bit error ratio (0 to 1).\n"
             "# TYPE tavik_rds_bit_error_ratio gauge\n"
             "tavik_rds_bit_error_ratio 0\n" +
             kReceptionUp +
             "# HELP tavik_carrier_to_noise_db Carrier-to-noise ratio in the 200 kHz channel in "
             "dB.\n"
             "# TYPE tavik_carrier_to_noise_db gauge\n"
             "tavik_carrier_to_noise_db 38.5\n"
             "# HELP tavik_frequency_error_hz The carrier's offset from the tuned frequency in "
             "Hz.\n"
             "# TYPE tavik_frequency_error_hz gauge\n"
             "tavik_frequency_error_hz -2500\n"
             "# HELP tavik_adc_overload_ratio Share of the IQ samples at the converter's limits "
             "(0 to 1).\n"
             "# TYPE tavik_adc_overload_ratio gauge\n"
             "tavik_adc_overload_ratio 5e-04\n"
             "# HELP tavik_last_result_timestamp_seconds When the last second with a signal was "
             "measured, in seconds since 1970.\n"
             "# TYPE tavik_last_result_timestamp_seconds gauge\n"
             "tavik_last_result_timestamp_seconds 1781517600\n"
             "# HELP tavik_alarm_active Whether the alarm is active (1) or not (0).\n"
             "# TYPE tavik_alarm_active gauge\n"
             "tavik_alarm_active{alarm=\"Dev\"} 1\n"
             "tavik_alarm_active{alarm=\"Low\\\\level\"} 0\n"
             "# HELP tavik_alarm_activations_total Activations of the alarm.\n"
             "# TYPE tavik_alarm_activations_total counter\n"
             "tavik_alarm_activations_total{alarm=\"Dev\"} 3\n"
             "tavik_alarm_activations_total{alarm=\"Low\\\\level\"} 0\n" +
             [] {
                 std::string c = kCounters;
                 for (const auto& [from, to] : {std::pair{"seconds_total 0", "seconds_total 3600"},
                                                {"written_total 0", "written_total 3540"},
                                                {"lost_total 0", "lost_total 2"},
                                                {"dropped_total 0", "dropped_total 7"},
                                                {"errors_total 0", "errors_total 1"}}) {
                     c.replace(c.find(from), std::string(from).size(), to);
                 }
                 return c;
             }() +
             "tavik_dropped_total{kind=\"samples\"} 1\n"
             "tavik_dropped_total{kind=\"analysers\"} 5\n"
             "tavik_dropped_total{kind=\"rds\"} 0\n"
             "tavik_dropped_total{kind=\"results\"} 9\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CMetricsText::Format(c.snapshot), c.expected) << c.name;
    }
}

TEST(MetricsTextTest, OneConditionKnownShowsOnlyThatCondition) {
    CMetricsSnapshot s;
    s.ituDeviation = false;
    const std::string text = CMetricsText::Format(s);
    EXPECT_TRUE(Has(text, "tavik_itu_condition_met{condition=\"deviation\"} 0\n"));
    EXPECT_FALSE(Has(text, "condition=\"rf_level\""));
}

TEST(MetricsTextTest, ValuesAndLabelsAreWrittenAsTheFormatReadsThem) {
    const struct {
        float value;
        const char* text;
    } values[] = {{2.95f, "2.95"},
                  {106.7f, "106.7"},
                  {-12.5f, "-12.5"},
                  {0.0f, "0"},
                  {1e-7f, "1e-07"},
                  {std::numeric_limits<float>::infinity(), "+Inf"},
                  {-std::numeric_limits<float>::infinity(), "-Inf"},
                  {std::nanf(""), "NaN"}};
    for (const auto& v : values) {
        EXPECT_EQ(CMetricsText::Value(v.value), v.text);
    }
    EXPECT_EQ(CMetricsText::LabelValue("a\"b\\c\nd\xc3\xa4"), "a\\\"b\\\\c\\nd\xc3\xa4");
}

// Prometheus's own checker (its linter included) on a snapshot with every family.
TEST(MetricsTextTest, PromtoolAcceptsTheExposition) {
    if (test::Shell("command -v promtool").exitCode != 0) {
        GTEST_SKIP() << "promtool is not installed (scripts/setup installs it)";
    }
    const test::CTempFolder folder;
    const std::string text = CMetricsText::Format(Measured());
    folder.Write("metrics.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    const test::CShellRun run =
        test::Shell("promtool check metrics < '" + folder.File("metrics.txt") + "' 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "");
}

// `ipv6`: whether the build has IPv6; without it an IPv6 address is refused and not suggested.
TEST(MetricsAddressTest, TakesNumericAddressesAndRefusesTheRestWithTheReason) {
    const std::string port = " needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)";
    const std::string v4 =
        " is not a numeric IPv4 address (e.g. 127.0.0.1, 0.0.0.0 for every "
        "interface";
    const struct {
        const char* text;
        bool ipv6;
        const char* listening;  // nullptr: refused
        std::string fault;
    } cases[] = {
        {"9101", false, "127.0.0.1:9101", ""},
        {":9101", false, "127.0.0.1:9101", ""},
        {"0", false, "127.0.0.1:0", ""},
        {"0.0.0.0:9101", false, "0.0.0.0:9101", ""},
        {"192.168.1.20:65535", false, "192.168.1.20:65535", ""},
        {"[::1]:9101", true, "[::1]:9101", ""},
        {"[::1]:9101", false, nullptr,
         "\"[::1]:9101\": IPv6 is not available in this build; listen on an IPv4 address (e.g. "
         "127.0.0.1, 0.0.0.0 for every interface)"},
        {"65536", true, nullptr, "\"65536\"" + port},
        {"127.0.0.1:", true, nullptr, "\"127.0.0.1:\"" + port},
        {"127.0.0.1:91x", true, nullptr, "\"127.0.0.1:91x\"" + port},
        {"-1", true, nullptr, "\"-1\"" + port},
        {"localhost:9101", true, nullptr, "\"localhost\"" + v4 + ", [::1])"},
        {"localhost:9101", false, nullptr, "\"localhost\"" + v4 + ")"},
        {"256.1.1.1:9101", true, nullptr, "\"256.1.1.1\"" + v4 + ", [::1])"},
        {"[::g]:9101", true, nullptr,
         "\"::g\" is not a numeric IPv6 address (e.g. 127.0.0.1, 0.0.0.0 for every interface, "
         "[::1])"},
        {"::1:9101", false, nullptr, "\"::1\"" + v4 + ")"},
    };
    for (const auto& c : cases) {
        CMetricsAddress address;
        EXPECT_EQ(address.Parse(c.text, c.ipv6), c.fault) << c.text << " " << c.ipv6;
        if (c.listening != nullptr) {
            EXPECT_EQ(address.ListeningPort(), c.listening) << c.text;
        }
    }
    // This build's answer follows the library's own feature flag.
    CMetricsAddress address;
    EXPECT_EQ(address.Parse("[::1]:9101").empty(), CMetricsAddress::Ipv6Available());
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

    std::atomic<bool> m_bFailing{false};  // the text cannot be made while set
    CMetricsServer m_server{[this](const CMetricsSnapshot& snapshot) {
        if (m_bFailing.load()) {
            throw std::length_error("too long");
        }
        return CMetricsText::Format(snapshot);
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
