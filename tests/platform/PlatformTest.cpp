#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "platform/Document.h"
#include "platform/File.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "platform/Thread.h"
#include "platform/Time.h"

namespace tavik {
namespace {

TEST(MessageQueue, RangesPeekAndQuit) {
    CMessageQueue queue;
    queue.Post({1026, 0, 0, nullptr});
    queue.Post({1025, 7, -3, nullptr});
    CMessage msg;
    EXPECT_FALSE(queue.PeekMessage(msg, WM_QUIT, WM_QUIT));
    EXPECT_TRUE(queue.PeekMessage(msg, 1025, 1025));  // does not remove
    EXPECT_EQ(queue.Size(), 2u);
    EXPECT_EQ(queue.GetMessage(msg, WM_QUIT, 1025), 1);  // skips 1026, takes 1025
    EXPECT_EQ(msg.message, 1025u);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, -3);
    queue.Post({WM_QUIT, 0, 0, nullptr});
    EXPECT_EQ(queue.GetMessage(msg, WM_QUIT, 1025), 0);
    EXPECT_EQ(queue.GetMessageFor(msg, std::chrono::milliseconds(1), WM_QUIT, 1025), std::nullopt);
    EXPECT_EQ(queue.GetMessage(msg), 1);  // any message: the 1026 left over
    EXPECT_EQ(msg.message, 1026u);
}

TEST(Thread, PostsReachRunningThreadsOnly) {
    CThread thread;
    std::atomic<int> seen{0};
    ASSERT_TRUE(thread.Start([&](CThread& self) {
        CMessage msg;
        while (self.Queue().GetMessage(msg) != 0) {
            seen.fetch_add(static_cast<int>(msg.wParam));
        }
        return 42;
    }));
    const ThreadId id = thread.GetId();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(PostThreadMessage(id, 1025, 5));
    EXPECT_FALSE(thread.JoinFor(std::chrono::milliseconds(20)));  // still waiting for quit
    EXPECT_TRUE(PostThreadMessage(id, WM_QUIT));
    EXPECT_TRUE(thread.JoinFor(std::chrono::seconds(10)));
    EXPECT_EQ(thread.ExitCode(), 42);
    EXPECT_EQ(seen.load(), 5);
    EXPECT_FALSE(PostThreadMessage(id, 1025));  // the thread has ended: lost
    EXPECT_FALSE(PostThreadMessage(0, 1025));
}

TEST(Time, SpansAndLocalFormatting) {
    const CTimeSpan span(1, 2, 3, 4);
    EXPECT_EQ(span.GetTotalSeconds(), 93784);
    EXPECT_EQ(span.GetDays(), 1);
    EXPECT_EQ(span.GetHours(), 2);
    EXPECT_EQ(span.GetMinutes(), 3);
    EXPECT_EQ(span.GetSeconds(), 4);

    // TZ=Europe/Berlin is set for the test run: 2003-12-05 08:30:15 UTC is 09:30:15 local.
    const CTime t(1070613015);
    EXPECT_EQ(t.Format("%A, %B %d, %Y, %H:%M:%S"), "Friday, December 05, 2003, 09:30:15");
    EXPECT_EQ(t.Format("%y%m%d"), "031205");
    EXPECT_EQ(CTime(2003, 12, 5, 9, 30, 15), t);
    EXPECT_EQ(t.GetHour(), 9);
    EXPECT_EQ(t.GetDayOfWeek(), 6);

    const COleDateTimeSpan delay(0, 0, 1, 30);
    EXPECT_DOUBLE_EQ(delay.GetDays(), 90.0 / 86400.0);
    EXPECT_EQ(delay.GetTotalSeconds(), 90);
    const COleDateTime local = COleDateTime::FromTime(t);
    EXPECT_NEAR(local.GetDays(), 37960.0 + (9 * 3600 + 30 * 60 + 15) / 86400.0, 1e-9);
    EXPECT_TRUE(local + delay > local);
}

TEST(File, CauseCodesAndPaths) {
    CFile file;
    EXPECT_EQ(file.Open("/nonexistent-folder/x.dat", CFile::modeRead), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(JoinPath("logs", "tavik031205.xml"), "logs/tavik031205.xml");
    EXPECT_EQ(JoinPath("logs/", "tavik031205.xml"), "logs/tavik031205.xml");
    EXPECT_EQ(JoinPath("", "mpx.dat"), "mpx.dat");
}

class CCountingView : public CView {
public:
    void OnUpdate(CView* sender, long hint, void* object) override {
        lastSender = sender;
        hints.push_back(hint);
        lastObject = object;
    }
    CView* lastSender = nullptr;
    void* lastObject = nullptr;
    std::vector<long> hints;
};

TEST(Document, UpdateAllViewsSkipsTheSender) {
    CDocument doc;
    CCountingView a;
    CCountingView b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&a);  // once only
    int item = 0;
    doc.UpdateAllViews(&a, 40, &item);
    EXPECT_TRUE(a.hints.empty());
    EXPECT_EQ(b.hints, std::vector<long>{40});
    EXPECT_EQ(b.lastObject, &item);
    EXPECT_EQ(b.lastSender, &a);
    doc.UpdateAllViews(nullptr, 10);
    EXPECT_EQ(a.hints, std::vector<long>{10});
    doc.RemoveView(&b);
    doc.UpdateAllViews(nullptr, 11);
    EXPECT_EQ(b.hints.size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    doc.SetModifiedFlag();
    EXPECT_TRUE(doc.IsModified());
}

}  // namespace
}  // namespace tavik
