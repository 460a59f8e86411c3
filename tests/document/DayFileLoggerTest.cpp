#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "document/DayFileLogger.h"
#include "document/Hints.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

// A host that is no document: it counts calls that come from another thread than the one that
// made it, since the log writer's thread must never reach the host (the document changes its
// folder and switch on the user-interface thread without a lock).
class CBareHost final : public CDayFileLogger::CHost {
public:
    CPrompt& GetPrompt() override { return Touch(m_prompt); }
    CTime Now() const override { return Touch(m_clock).Now(); }
    const std::string& GetLogFolder() const override { return Touch(m_strFolder); }
    void SetLogFolder(std::string folder) override { Touch(m_strFolder) = std::move(folder); }
    bool IsLoggingEnabled() const override { return Touch(m_bEnabled); }
    void SetLoggingEnabled(bool enabled) override { Touch(m_bEnabled) = enabled; }
    bool IsMeasuring() const override { return Touch(m_bMeasuring); }
    void SendHint(long hint) override { Touch(m_hints).push_back(hint); }

    template <class T>
    T& Touch(T& member) const {
        if (std::this_thread::get_id() != m_owner) {
            ++m_nForeignCalls;
        }
        return member;
    }

    const std::thread::id m_owner = std::this_thread::get_id();
    mutable std::atomic<int> m_nForeignCalls{0};
    mutable CRecordingPrompt m_prompt;
    mutable CManualClock m_clock;
    mutable std::string m_strFolder;
    mutable bool m_bEnabled = false;
    mutable bool m_bMeasuring = true;
    mutable std::vector<long> m_hints;
};

// Logging through midnight on the logger alone: the host's switch is turned on and off, the
// views hear of it once, and each day's pair is whole.
TEST(DayFileLogger, LogsThroughMidnightOnAHostThatIsNoDocument) {
    test::UseBerlinTime();
    test::CTempFolder folder;
    CBareHost host;
    host.m_strFolder = folder.Path();
    host.m_clock.Set(CTime(1796511598));  // 5 Dec 2026, 23:59:58 in Berlin
    CDayFileLogger logger(host);

    ASSERT_EQ(logger.OpenLogFiles(false), 0);
    EXPECT_TRUE(host.m_bEnabled);
    EXPECT_EQ(host.m_hints, std::vector<long>{HINT_PROTOCOL_CHANGED});
    logger.CloseSecond();
    for (int second = 0; second < 4; ++second) {
        logger.SetDeviation(static_cast<float>(second));
        host.m_clock.Advance(CTimeSpan(1));
        logger.CloseSecond();
    }
    logger.WriteLog("Measurement Paused");
    logger.CloseLogFiles();
    EXPECT_FALSE(host.m_bEnabled);
    EXPECT_EQ(logger.GetLastResultFile(), folder.File("tavik261206.xml"));
    EXPECT_EQ(host.m_nForeignCalls.load(), 0);
    EXPECT_TRUE(host.m_prompt.m_notices.empty());

    const std::string day1 = test::ReadText(folder.File("tavik261205.xml"));
    const std::string day2 = test::ReadText(folder.File("tavik261206.xml"));
    EXPECT_EQ(test::Count(day1, "<Measurement id="), 2u);  // 23:59:58 and 23:59:59
    EXPECT_EQ(test::Count(day2, "<Measurement id="), 2u);
    EXPECT_TRUE(day1.ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_TRUE(day2.ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_EQ(test::ReadText(folder.File("tavik261206.log")),
              "6.12.2026, 00:00:00: File Opened\r\n"
              "6.12.2026, 00:00:02: Measurement Paused\r\n"
              "6.12.2026, 00:00:02: File Closed\r\n");
}

}  // namespace
}  // namespace tavik
