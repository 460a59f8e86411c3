#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/MessageQueue.h"

namespace tavik {

using ThreadId = std::uint32_t;  // 0 = no thread

// A thread with its own message queue, reachable by its identifier from any thread while it
// runs. Once the thread function has returned, posts to its identifier are dropped.
class CThread {
public:
    CThread();
    ~CThread();  // waits for the thread to end
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Exit code of a body that let an exception escape.
    static constexpr int kFailedExitCode = -1;

    // Starts `body`; its return value is the exit code. False when the thread could not start.
    bool Start(std::function<int(CThread&)> body);

    ThreadId GetId() const { return m_id; }
    CMessageQueue& Queue() { return *m_queue; }

    void Join();                                    // waits without time limit
    bool JoinFor(std::chrono::milliseconds limit);  // true when the thread ended in time
    int ExitCode() const;

private:
    void Finish(int exitCode);

    ThreadId m_id = 0;
    std::shared_ptr<CMessageQueue> m_queue;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bStarted = false;
    bool m_bEnded = false;
    int m_nExitCode = 0;
};

// Posts to the queue of a running CThread; false when no such thread runs (message lost).
bool PostThreadMessage(ThreadId id, unsigned message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

}  // namespace tavik
