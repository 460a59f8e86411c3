#include "document/LogWriter.h"

#include <utility>

namespace tavik {

CLogWriter::~CLogWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CLogWriter::Post(Job job, bool always) {
    {
        std::unique_lock lock(m_mutex);
        if (!always && m_jobs.size() >= kQueueLimit) {
            if (!m_bWaitForRoom) {
                return false;
            }
            m_cv.wait(lock, [&] { return m_jobs.size() < kQueueLimit; });
        }
        m_jobs.push_back(std::move(job));
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { Run(); });
        }
    }
    m_cv.notify_all();
    return true;
}

void CLogWriter::WaitIdle() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_jobs.empty() && !m_bRunning; });
}

void CLogWriter::SetWaitForRoom(bool wait) {
    std::lock_guard lock(m_mutex);
    m_bWaitForRoom = wait;
}

bool CLogWriter::IsIdle() const {
    std::lock_guard lock(m_mutex);
    return m_jobs.empty() && !m_bRunning;
}

// A job that throws ends there: its failure is told as a document error and the thread goes on
// with the next job, so that neither the process ends nor a WaitIdle waits for ever.
void CLogWriter::RunJob(Job& job) {
    try {
        job();
    } catch (...) {
        CGenericException e = CurrentException(EXC_DOCUMENT);
        e.AppendMessage("CLogWriter: a file job failed\n");
        if (m_onFailure) {
            try {
                m_onFailure(e);
            } catch (...) {
                // Nothing is left to tell it with: the thread goes on.
            }
        }
    }
}

void CLogWriter::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [&] { return m_bStop || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return;  // stopped with nothing left to do
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bRunning = true;
        lock.unlock();
        m_cv.notify_all();  // room for a waiting Post
        RunJob(job);
        job = nullptr;  // what it holds goes before the idle state is told
        lock.lock();
        m_bRunning = false;
        m_cv.notify_all();
    }
}

}  // namespace tavik
