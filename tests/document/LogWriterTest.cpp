#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
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

}  // namespace
}  // namespace tavik
