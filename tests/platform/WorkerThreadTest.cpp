#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>

#include "platform/DropCounters.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "platform/WorkerThread.h"
#include "tests/support/PassGate.h"

namespace tavik {
namespace {

// A pass that sums its block (an empty one throws), held at its start while its gate is.
class CSum : public CWorkerThread {
protected:
    void Pass() override {
        if (m_nDataCount == 0) {
            throw std::runtime_error("empty block");
        }
        float sum = 0;
        for (int i = 0; i < m_nDataCount; ++i) {
            sum += m_pData[i];
        }
        Notify(CAnalyserResult::Make<EResultCode::DeviationPeak>(sum),
               static_cast<std::intptr_t>(sum));
    }
};
using CSumWorker = test::CGated<CSum>;

TEST(WorkerThread, DropsBlocksWhileBusyAndNotifies) {
    CQueueTarget window;
    CSumWorker worker;
    worker.SetNotifyWindow(&window);
    const float first[3] = {1, 2, 3};
    const float second[2] = {10, 20};

    worker.gate.Hold();
    worker.PostData(first, 3);
    EXPECT_TRUE(worker.IsBusy());
    const CDropCounts before = CDropCounters::Instance().Read();
    worker.PostData(second, 2);  // dropped and counted: the first pass still runs
    EXPECT_EQ((CDropCounters::Instance().Read() - before)[EDropKind::AnalyserBlock], 1u);
    EXPECT_FALSE(worker.WaitUntilIdle(std::chrono::milliseconds(10)));
    worker.gate.Release();
    ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(worker.passes.load(), 1);
    CMessage msg;
    ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
    EXPECT_EQ(msg.message, WM_ANALYSER_RESULT);
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(msg.lParam, 6);

    worker.PostData(second, 2);  // idle again: taken
    ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
    ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
    EXPECT_EQ(msg.lParam, 30);
}

// A pass that throws ends like any other and tells of it with 1047; the worker goes on.
TEST(WorkerThread, APassThatThrowsPostsItsTextAndTheWorkerGoesOn) {
    for (const bool synchronous : {false, true}) {
        SCOPED_TRACE(synchronous);
        CQueueTarget window;
        CSumWorker worker;
        worker.SetNotifyWindow(&window);
        worker.SetSynchronous(synchronous);
        const float block[2] = {1, 2};
        worker.PostData(block, 0);
        ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
        CMessage msg;
        ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
        EXPECT_EQ(msg.message, WM_ANALYSER_ERROR);
        ASSERT_TRUE(msg.pText);
        EXPECT_EQ(*msg.pText, "empty block\n");
        worker.PostData(block, 2);
        ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
        ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
        EXPECT_EQ(msg.lParam, 3);
    }
}

}  // namespace
}  // namespace tavik
