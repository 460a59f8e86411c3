#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "document/LogWriter.h"
#include "platform/GenericException.h"

namespace tavik {
namespace {

// A job that throws is told as the document's thread failures are, and the writer goes on with
// the next job: the process is not ended and nothing waits for a job that never ends.
TEST(LogWriter, AJobThatThrowsIsReportedAndTheNextJobRuns) {
    std::vector<std::string> failures;  // the writer's thread, read once it is idle
    CLogWriter writer([&](const CGenericException& e) { failures.push_back(FormatException(e)); });
    int ran = 0;
    writer.Post([] { throw std::runtime_error("disk on fire"); });
    writer.Post([] { throw CDocumentException("FlushResults: no room\n", 0); });
    writer.Post([&] { ++ran; });
    writer.WaitIdle();
    EXPECT_EQ(ran, 1);
    const std::string head =
        "Memory or thread error!\n\nError ID:    2\tError subID:    0\n\n"
        "Error messages:\n";
    EXPECT_EQ(failures, (std::vector<std::string>{
                            head + "disk on fire\nCLogWriter: a file job failed\n",
                            head + "FlushResults: no room\nCLogWriter: a file job failed\n"}));
}

// A full queue refuses a job, takes an `always` job beyond its limit, and with waiting for room
// makes the caller wait until the writer has taken one; every job queued runs, in order.
TEST(LogWriter, AFullQueueRefusesAJobButTakesTheAlwaysOnes) {
    CLogWriter writer;
    std::atomic<bool> started{false}, open{false};
    std::vector<int> ran;  // the writer's thread, read once it is idle
    writer.Post([&] {
        started = true;
        while (!open.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ran.push_back(0);
    });
    while (!started.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int limit = static_cast<int>(CLogWriter::kQueueLimit);
    for (int i = 1; i <= limit; ++i) {
        ASSERT_TRUE(writer.Post([&ran, i] { ran.push_back(i); }));
    }
    EXPECT_FALSE(writer.Post([&] { ran.push_back(-1); }));
    EXPECT_TRUE(writer.Post([&] { ran.push_back(limit + 1); }, true));
    EXPECT_FALSE(writer.IsIdle());

    writer.SetWaitForRoom(true);
    bool openAtReturn = false;
    std::thread poster([&] {
        writer.Post([&] { ran.push_back(limit + 2); });
        openAtReturn = open.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the poster waits meanwhile
    open = true;
    poster.join();
    writer.WaitIdle();
    EXPECT_TRUE(openAtReturn);  // no room before the first job ended
    ASSERT_EQ(ran.size(), static_cast<std::size_t>(limit) + 3);
    for (int i = 0; i <= limit + 2; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
    }
}

}  // namespace
}  // namespace tavik
