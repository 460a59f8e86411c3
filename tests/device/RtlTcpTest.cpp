#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/IqPanorama.h"
#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/support/FailingCalls.h"
#include "tests/support/ManualClockPacer.h"
#include "tests/support/RtlTcpServer.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using test::CRtlTcpServer;

// A peer that is not a working rtl_tcp server is a loss of reception that names the cause,
// posted as 1045 with the reception sub-ID while the device goes on trying; stopping never
// waits for the peer.
TEST(RtlTcp, BadPeersAreNamedAndNeverHang) {
    struct Case {
        CRtlTcpServer::EMode mode;
        bool listening;
        std::string cause;                    // after "127.0.0.1:PORT"
        std::atomic<int>* failing = nullptr;  // a call that fails with EIO meanwhile
    };
    using test::CFailingCalls;
    const Case cases[] = {
        // The connection's state cannot be read, or the socket not set up: no connection.
        {CRtlTcpServer::EMode::Serve, true, "cannot connect to %s: Input/output error",
         &CFailingCalls::getsockoptFails},
        {CRtlTcpServer::EMode::Serve, true,
         "cannot set up the connection to %s: Input/output error", &CFailingCalls::setsockoptFails},
        {CRtlTcpServer::EMode::Garbage, true,
         "%s is not an rtl_tcp server (its greeting does not begin with \"RTL0\")"},
        {CRtlTcpServer::EMode::Stall, true, "the rtl_tcp server %s sent no samples for 3 s"},
        {CRtlTcpServer::EMode::Close, true, "the rtl_tcp server %s closed the connection"},
        // A byte now and then never times a read out; the rate over 3 s tells.
        {CRtlTcpServer::EMode::Trickle, true,
         "%s delivers fewer than half of the 1200000 samples a second asked for"},
        {CRtlTcpServer::EMode::Serve, false, "cannot connect to %s: Connection refused"},
    };
    for (const Case& c : cases) {
        CRtlTcpServer server({}, 0.0, c.mode);
        if (!c.listening) {
            server.Stop();
        }
        std::optional<test::CFailure> failure;
        if (c.failing != nullptr) {
            failure.emplace(*c.failing, EIO);
        }
        const std::string address = "127.0.0.1:" + std::to_string(server.Port());
        CLiveSourceSettings settings = *CLiveSourceSettings::FromName(server.ReceiverName());
        settings.station = 106.7e6;
        CTavikControl device;
        device.SetLiveSource(settings);
        CQueueTarget window;
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(device.StartADCTransfer(&window));
        // Connecting is the thread's: no wait here for a peer that takes seconds to fail.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
        CMessage message;
        ASSERT_TRUE(window.Queue()
                        .GetMessageFor(message, 10s, WM_TRANSFER_ERROR, WM_TRANSFER_ERROR)
                        .has_value());
        EXPECT_EQ(message.wParam, static_cast<std::uintptr_t>(EXC_TAVIKCONTROL));
        EXPECT_EQ(message.lParam, CTavikControl::SUBID_RECEPTION_LOST);
        std::string cause = c.cause;
        cause.replace(cause.find("%s"), 2, address);
        ASSERT_TRUE(message.pText);
        EXPECT_EQ(*message.pText, cause + "; reconnecting");
        EXPECT_TRUE(device.IsADCRunning());  // still trying
        const auto stopping = std::chrono::steady_clock::now();
        device.StopTransfer();
        EXPECT_LT(std::chrono::steady_clock::now() - stopping, 1s);
    }
}

// A server that greets and closes at once is one loss, told once however often it repeats, and
// never a return: no block came, so the back-off goes on doubling (0.5, 1, 2, 4 s) up to its
// longest, 8 s, and stays there.
TEST(RtlTcp, AServerThatGreetsAndClosesIsOneLossAndKeepsTheBackOff) {
    CRtlTcpServer server({}, 0.0, CRtlTcpServer::EMode::Close);
    CLiveSourceSettings settings = *CLiveSourceSettings::FromName(server.ReceiverName());
    settings.station = 106.7e6;
    test::CManualClockPacer pace;
    CTavikControl device;
    device.SetPacers(&pace, nullptr, nullptr);
    device.SetLiveSource(settings);
    CQueueTarget window;
    ASSERT_TRUE(device.StartADCTransfer(&window));
    int connections = 1;
    for (const auto due : {500ms, 1500ms, 3500ms, 7500ms, 15500ms, 23500ms, 31500ms}) {
        ASSERT_TRUE(pace.WaitUntilIdle(1));
        EXPECT_EQ(server.Connections(), connections++);
        pace.AdvanceTo(due - 1ms);  // not a moment before its time
        ASSERT_TRUE(pace.WaitUntilIdle(1));
        EXPECT_EQ(server.Connections(), connections - 1) << due.count();
        pace.AdvanceTo(due);
    }
    ASSERT_TRUE(pace.WaitUntilIdle(1));
    EXPECT_EQ(server.Connections(), 8);
    EXPECT_TRUE(device.IsAwaitingReception());
    std::vector<std::string> notices;
    CMessage message;
    while (window.Queue().GetMessageFor(message, 0ms, WM_TRANSFER_ERROR, WM_TRANSFER_ERROR)) {
        notices.push_back(std::to_string(message.lParam) + " " + *message.pText);
    }
    EXPECT_EQ(notices, std::vector<std::string>{
                           "3 the rtl_tcp server 127.0.0.1:" + std::to_string(server.Port()) +
                           " closed the connection; reconnecting"});
    device.StopTransfer();
}

// The frequency correction reaches rtl_tcp as command 5 with the whole ppm as a big-endian
// two's complement (-12.6: 05 FF FF FF F3), before the tuning. The receiver keeps it: a later
// run that gives none sends the kept one.
TEST(RtlTcp, TheFrequencyCorrectionIsSentAndKeptWithTheReceiver) {
    test::CTempFolder store;
    CRtlTcpServer server(std::vector<std::uint8_t>{}, 0.0);  // greets and sends nothing
    std::size_t commands = 0;
    for (const std::optional<double> ppm :
         {std::optional<double>(-12.6), std::optional<double>()}) {
        CLiveSourceSettings settings = *CLiveSourceSettings::FromName(server.ReceiverName());
        settings.station = 106.7e6;
        settings.ppm = ppm;
        CTavikControl device;
        device.SetLiveSource(settings, store.Path());
        CQueueTarget window;
        ASSERT_TRUE(device.StartADCTransfer(&window));
        const auto limit = std::chrono::steady_clock::now() + 5s;
        commands += 5;
        while (server.Commands().size() < commands && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(10ms);
        }
        device.StopTransfer();
    }
    using Command = CRtlTcpServer::Command;
    const std::vector<Command> run = {
        {0x02, 1200000}, {0x05, 0xFFFFFFF3}, {0x01, 106450000}, {0x03, 0}, {0x08, 0}};
    std::vector<Command> both = run;
    both.insert(both.end(), run.begin(), run.end());
    EXPECT_EQ(server.Commands(), both);
    EXPECT_EQ(CReceiverStore(store.Path(), server.ReceiverName()).Ppm(), -12.6);
}

TEST(RtlTcp, RefusesAnAddressWithoutHostOrWithABadPort) {
    for (const char* receiver : {"rtltcp::1234", "rtltcp:host:0", "rtltcp:host:http"}) {
        CLiveSourceSettings settings = *CLiveSourceSettings::FromName(receiver);
        settings.station = 106.7e6;
        CTavikControl device;
        device.SetLiveSource(settings);
        CQueueTarget window;
        EXPECT_THROW(device.StartADCTransfer(&window), CTavikControlException) << receiver;
    }
}

// A scan that pauses between its points: the samples the receiver made meanwhile, still on
// their way, are of the point before and are passed over with the settling time. A carrier at
// 100 MHz reads high there and not at 100.4 MHz, measured after a second's pause.
TEST(RtlTcp, APanoramaPointAfterAPauseIsNotReadFromThePointBefore) {
    constexpr double kRate = 1200000.0;
    double phase = 0.0;
    CRtlTcpServer server(
        [&phase](std::uint32_t centre, std::uint8_t* iq, std::size_t size) {
            const double step = 2.0 * M_PI * (100e6 - centre) / kRate;
            const double amplitude = std::fabs(100e6 - centre) < kRate / 2.0 ? 63.75 : 0.0;
            for (std::size_t i = 0; i + 1 < size; i += 2, phase += step) {
                iq[i] = static_cast<std::uint8_t>(std::lround(127.5 + amplitude * std::cos(phase)));
                iq[i + 1] =
                    static_cast<std::uint8_t>(std::lround(127.5 + amplitude * std::sin(phase)));
            }
        },
        2.0 * kRate);
    CLiveSourceSettings settings;
    settings.strName = server.ReceiverName();
    settings.fRate = kRate;
    settings.bKeep = false;
    const std::atomic<bool> running{true};
    const std::unique_ptr<CIqPanorama> panorama = MakeLivePanorama(settings, 80.0, running);
    float readings[CIqPanorama::kReadings];
    ASSERT_TRUE(panorama->Measure(100.0e6, readings));
    EXPECT_NEAR(readings[CIqPanorama::kReadings - 1], 74.0, 1.0);
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(panorama->Measure(100.4e6, readings));
    for (const float reading : readings) {
        EXPECT_LT(reading, 40.0f);
    }
}

}  // namespace
}  // namespace tavik
