#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "analysis/WorkerThread.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/support/PassGate.h"

namespace tavik {
namespace {

// A pass that sums its block and can be held at its start by the test.
class CSumWorker : public CWorkerThread {
public:
    ~CSumWorker() override {
        Release();
        JoinPass();
    }
    void Hold() { m_gate.Hold(); }
    void Release() { m_gate.Release(); }
    std::atomic<int> passes{0};

protected:
    void Pass() override {
        m_gate.Pass();
        float sum = 0;
        for (int i = 0; i < m_nDataCount; ++i) {
            sum += m_pData[i];
        }
        passes.fetch_add(1);
        Notify(4, static_cast<std::intptr_t>(sum));
    }

private:
    test::CPassGate m_gate;
};

TEST(WorkerThread, DropsBlocksWhileBusyAndNotifies) {
    CQueueTarget window;
    CSumWorker worker;
    worker.SetNotifyWindow(&window);
    const float first[3] = {1, 2, 3};
    const float second[2] = {10, 20};

    worker.Hold();
    worker.PostData(first, 3);
    EXPECT_TRUE(worker.IsBusy());
    worker.PostData(second, 2);  // dropped: the first pass still runs
    EXPECT_FALSE(worker.WaitUntilIdle(std::chrono::milliseconds(10)));
    worker.Release();
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

}  // namespace
}  // namespace tavik
