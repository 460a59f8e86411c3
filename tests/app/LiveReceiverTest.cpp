#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/JsonValues.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/RtlTcpServer.h"
#include "tests/support/Shell.h"
#include "tests/support/StationIq.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using test::CRtlTcpServer;
using test::CTempFolder;

std::string LogText(const std::string& folder) {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".log") {
            text += test::ReadText(entry.path().string());
        }
    }
    return text;
}

// `tavik monitor --receiver rtltcp:...` against a server that goes away for a second and
// comes back: the device is tuned 250 kHz below the station at 1.2 MS/s with automatic gain,
// the station is decoded, the log names the loss and the return, and records go on after it.
TEST(LiveReceiver, MonitorThroughRtlTcpSurvivesAServerRestart) {
    CTempFolder folder;
    CRtlTcpServer server(test::StationIq(3.0), 2.4e6);  // served in a loop
    const std::string logs = folder.File("logs");
    std::filesystem::create_directory(logs);
    test::CShellRun run;
    const std::string receiver = server.ReceiverName();  // before the restart rebinds the port
    std::thread monitor([&] {
        run = test::Shell(std::string(TAVIK_EXECUTABLE) + " monitor --receiver " + receiver +
                          " --frequency 106.7 --seconds 9 --json-lines --log-folder '" + logs +
                          "' 2>'" + folder.File("err") + "'");
    });
    std::this_thread::sleep_for(3500ms);
    server.Stop();
    std::this_thread::sleep_for(1000ms);
    server.Start();
    monitor.join();
    ASSERT_EQ(run.exitCode, 0) << test::ReadText(folder.File("err"));

    const auto commands = server.Commands();
    using Command = CRtlTcpServer::Command;
    for (const Command& expected :
         {Command{0x02, 1200000}, Command{0x01, 106450000}, Command{0x03, 0}}) {
        EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end())
            << int{expected.first} << " " << expected.second;
    }
    EXPECT_EQ(server.Connections(), 2);

    std::vector<CJson> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line);) {
        lines.push_back(CJson::parse(line));
    }
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines.back()["rds"]["ps"], "TAVIK FM");
    EXPECT_EQ(lines.back()["rds"]["pi"], "D313");
    EXPECT_FALSE(lines.back()["deviation_peak_khz"].is_null());

    const std::string log = LogText(logs);
    const std::string address = "127.0.0.1:" + std::to_string(server.Port());
    EXPECT_NE(log.find("Receiver: the rtl_tcp server " + address +
                       " closed the connection; reconnecting"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Receiver: reception from " + address + " resumed"), std::string::npos)
        << log;
}

}  // namespace
}  // namespace tavik
