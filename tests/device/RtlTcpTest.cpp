#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/support/RtlTcpServer.h"

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
        std::string cause;  // after "127.0.0.1:PORT"
    };
    const Case cases[] = {
        {CRtlTcpServer::EMode::Garbage, true,
         "%s is not an rtl_tcp server (its greeting does not begin with \"RTL0\")"},
        {CRtlTcpServer::EMode::Stall, true, "the rtl_tcp server %s sent no samples for 3 s"},
        {CRtlTcpServer::EMode::Serve, false, "cannot connect to %s: Connection refused"},
    };
    for (const Case& c : cases) {
        CRtlTcpServer server({}, 0.0, c.mode);
        if (!c.listening) {
            server.Stop();
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

}  // namespace
}  // namespace tavik
