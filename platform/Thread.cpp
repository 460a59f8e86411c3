#include "platform/Thread.h"

#include <atomic>
#include <map>
#include <system_error>

namespace tavik {

namespace {

// Identifiers of running threads and their queues.
class CThreadRegistry {
public:
    static CThreadRegistry& Instance() {
        static CThreadRegistry registry;
        return registry;
    }
    ThreadId Add(std::shared_ptr<CMessageQueue> queue) {
        std::lock_guard lock(m_mutex);
        const ThreadId id = ++m_nLastId;
        m_queues.emplace(id, std::move(queue));
        return id;
    }
    void Remove(ThreadId id) {
        std::lock_guard lock(m_mutex);
        m_queues.erase(id);
    }
    std::shared_ptr<CMessageQueue> Find(ThreadId id) {
        std::lock_guard lock(m_mutex);
        auto it = m_queues.find(id);
        return it == m_queues.end() ? nullptr : it->second;
    }

private:
    std::mutex m_mutex;
    ThreadId m_nLastId = 0;
    std::map<ThreadId, std::shared_ptr<CMessageQueue>> m_queues;
};

}  // namespace

CThread::CThread() : m_queue(std::make_shared<CMessageQueue>()) {}

CThread::~CThread() {
    Join();
}

bool CThread::Start(std::function<int(CThread&)> body) {
    if (m_thread.joinable()) {
        return false;
    }
    m_id = CThreadRegistry::Instance().Add(m_queue);
    {
        std::lock_guard lock(m_mutex);
        m_bStarted = true;
        m_bEnded = false;
    }
    try {
        m_thread = std::thread([this, body = std::move(body)] {
            int exitCode = kFailedExitCode;
            try {
                exitCode = body(*this);
            } catch (...) {
                // The body should have caught it; the thread ends, the process goes on.
            }
            Finish(exitCode);
        });
    } catch (const std::system_error&) {
        CThreadRegistry::Instance().Remove(m_id);
        std::lock_guard lock(m_mutex);
        m_bStarted = false;
        return false;
    }
    return true;
}

void CThread::Finish(int exitCode) {
    CThreadRegistry::Instance().Remove(m_id);
    {
        std::lock_guard lock(m_mutex);
        m_nExitCode = exitCode;
        m_bEnded = true;
    }
    m_cv.notify_all();
}

void CThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CThread::JoinFor(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(m_mutex);
        if (!m_bStarted) {
            return true;
        }
        if (!m_cv.wait_for(lock, limit, [&] { return m_bEnded; })) {
            return false;
        }
    }
    Join();
    return true;
}

int CThread::ExitCode() const {
    std::lock_guard lock(m_mutex);
    return m_nExitCode;
}

bool PostThreadMessage(ThreadId id, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    auto queue = CThreadRegistry::Instance().Find(id);
    if (!queue) {
        return false;
    }
    queue->Post(CMessage{message, wParam, lParam});
    return true;
}

}  // namespace tavik
