#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ServiceNotifier.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"

// `tavik monitor` under systemd: the per-second lines left out with --quiet, priorities for the
// journal, and the readiness and watchdog notifications.
namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::Shell;

std::string Monitor(const std::string& options) {
    return std::string(TAVIK_EXECUTABLE) + " monitor '" + CKnownRecording::Get().Folder() +
           "' --speed 10 " + options;
}

// JOURNAL_STREAM names the device and inode of the stream the journal reads: lines written
// there begin with their priority, and only there. --quiet leaves out the status lines only.
TEST(Service, QuietLinesForTheJournalCarryTheirPriority) {
    const CTempFolder folder;
    const std::string file = folder.File("journal.txt");
    const struct {
        const char* stream;  // JOURNAL_STREAM; "FILE" is the output file's own
        const char* expected;
    } cases[] = {
        {"FILE",
         "<4>monitor: --enable-alarms: no setup was given (--setup FILE.tvk), so there are no "
         "alarms to enable\n"
         "<6>Monitoring 106.70 MHz for 1 s; SIGINT or SIGTERM stops\n"
         "<6>Stopped after 00:00:01\n"},
        {"1:1",
         "monitor: --enable-alarms: no setup was given (--setup FILE.tvk), so there are no alarms "
         "to enable\n"
         "Monitoring 106.70 MHz for 1 s; SIGINT or SIGTERM stops\n"
         "Stopped after 00:00:01\n"},
    };
    for (const auto& c : cases) {
        const std::string stream =
            std::string(c.stream) == "FILE" ? "$(stat -c %d:%i '" + file + "')" : c.stream;
        const test::CShellRun run = Shell(": > '" + file + "'; JOURNAL_STREAM=" + stream + " " +
                                          Monitor("--seconds 1 --quiet --enable-alarms >> '" +
                                                  file + "' 2>&1; cat '" + file + "'"));
        EXPECT_EQ(run.out, c.expected) << c.stream;
    }
    // A failure is an error.
    const test::CShellRun failed =
        Shell(": > '" + file + "'; JOURNAL_STREAM=$(stat -c %d:%i '" + file + "') " +
              std::string(TAVIK_EXECUTABLE) + " monitor '" + folder.Path() + "/none' >> '" + file +
              "' 2>&1; head -c 3 '" + file + "'; echo; grep -c '^<3>monitor: ' '" + file + "'");
    EXPECT_EQ(failed.out.substr(0, 4), "<6>\n");
    EXPECT_NE(failed.out.substr(4), "0\n");
}

// A socket standing in for systemd's: the datagrams it received.
class CNotifySocket {
public:
    explicit CNotifySocket(const std::string& path) : m_fd(::socket(AF_UNIX, SOCK_DGRAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        m_bBound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~CNotifySocket() { ::close(m_fd); }
    CNotifySocket(const CNotifySocket&) = delete;
    CNotifySocket& operator=(const CNotifySocket&) = delete;

    bool IsBound() const { return m_bBound; }
    std::vector<std::string> Received() const {
        std::vector<std::string> messages;
        char buffer[512];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            messages.emplace_back(buffer, static_cast<std::size_t>(n));
        }
        return messages;
    }

private:
    int m_fd;
    bool m_bBound = false;
};

// Only a second that brought results feeds the watchdog; readiness comes with the first second
// either way.
TEST(Service, OnlySecondsWithResultsFeedTheWatchdog) {
    const CTempFolder folder;
    const CNotifySocket socket(folder.File("notify"));
    ASSERT_TRUE(socket.IsBound());
    ::setenv("NOTIFY_SOCKET", folder.File("notify").c_str(), 1);
    CServiceNotifier notifier;
    notifier.Measured("1", false);
    notifier.Measured("2", true);
    notifier.Measured("3", false);
    notifier.Stopping();
    ::unsetenv("NOTIFY_SOCKET");
    notifier.Measured("4", true);  // not under systemd: nothing
    EXPECT_EQ(socket.Received(),
              (std::vector<std::string>{"READY=1\nSTATUS=1", "WATCHDOG=1\nSTATUS=2", "STATUS=3",
                                        "STOPPING=1"}));
}

// NOTIFY_SOCKET: READY=1 with the first measured second, WATCHDOG=1 with every second,
// STOPPING=1 at the end.
TEST(Service, TellsSystemdWhenReadyAndEverySecondAfter) {
    const CTempFolder folder;
    const std::string path = folder.File("notify");
    const CNotifySocket socket(path);
    ASSERT_TRUE(socket.IsBound());
    const test::CShellRun run =
        Shell("NOTIFY_SOCKET='" + path + "' " + Monitor("--seconds 3 --quiet 2>&1"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const std::vector<std::string> messages = socket.Received();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "READY=1\nWATCHDOG=1\nSTATUS=Measured 00:00:01 at 106.70 MHz");
    EXPECT_EQ(messages[1], "WATCHDOG=1\nSTATUS=Measured 00:00:02 at 106.70 MHz");
    EXPECT_EQ(messages[2], "WATCHDOG=1\nSTATUS=Measured 00:00:03 at 106.70 MHz");
    EXPECT_EQ(messages[3], "STOPPING=1");
}

}  // namespace
}  // namespace tavik
