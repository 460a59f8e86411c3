#include "document/LogWriter.h"

namespace tavik {

struct CLogWriter::CShared {
    explicit CShared(FailureHandler handler) : onFailure(std::move(handler)) {}

    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Job> jobs;
    bool bRunning = false;  // a job is running
    bool bStop = false;     // the owner is gone: end once the queue is empty
    bool bEnded = false;    // the thread has ended its loop
    bool bWaitForRoom = false;
    const FailureHandler onFailure;

    bool Idle() const { return jobs.empty() && !bRunning; }
};

CLogWriter::CLogWriter(FailureHandler onFailure)
    : m_shared(std::make_shared<CShared>(std::move(onFailure))) {}

CLogWriter::~CLogWriter() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->bStop = true;
    m_shared->cv.notify_all();
    if (!m_thread.joinable()) {
        return;
    }
    const auto ended = [&] { return m_shared->bEnded; };
    if (m_shared->bWaitForRoom) {
        m_shared->cv.wait(lock, ended);
    } else if (!m_bGivenUp || m_shared->Idle()) {
        m_shared->cv.wait_for(lock, STOP_WAIT, ended);
    }
    const bool done = m_shared->bEnded;
    lock.unlock();
    // A thread still busy holds the shared queue and its jobs hold what they work on: it
    // finishes once the disk answers, or ends with the process.
    done ? m_thread.join() : m_thread.detach();
}

bool CLogWriter::Post(Job job, bool always) {
    {
        std::unique_lock lock(m_shared->mutex);
        if (!always && m_shared->jobs.size() >= kQueueLimit) {
            if (!m_shared->bWaitForRoom) {
                return false;
            }
            m_shared->cv.wait(lock, [&] { return m_shared->jobs.size() < kQueueLimit; });
        }
        m_shared->jobs.push_back(std::move(job));
        if (!m_thread.joinable()) {
            m_thread = std::thread([shared = m_shared] { Run(*shared); });
        }
    }
    m_shared->cv.notify_all();
    return true;
}

void CLogWriter::WaitIdle() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->cv.wait(lock, [&] { return m_shared->Idle(); });
    m_bGivenUp = false;
}

bool CLogWriter::WaitIdleForStop() {
    std::unique_lock lock(m_shared->mutex);
    const auto idle = [&] { return m_shared->Idle(); };
    if (m_shared->bWaitForRoom) {
        m_shared->cv.wait(lock, idle);
    } else {
        m_shared->cv.wait_for(lock, STOP_WAIT, idle);
    }
    m_bGivenUp = !m_shared->Idle();
    return !m_bGivenUp;
}

void CLogWriter::SetWaitForRoom(bool wait) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->bWaitForRoom = wait;
}

bool CLogWriter::IsIdle() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->Idle();
}

// A job that throws ends there: its failure is told as a document error and the thread goes on
// with the next job, so that neither the process ends nor a WaitIdle waits for ever.
void CLogWriter::RunJob(CShared& shared, Job& job) {
    try {
        job();
    } catch (...) {
        CGenericException e = CurrentException(EXC_DOCUMENT);
        e.AppendMessage("CLogWriter: a file job failed\n");
        if (shared.onFailure) {
            try {
                shared.onFailure(e);
            } catch (...) {
                // Nothing is left to tell it with: the thread goes on.
            }
        }
    }
}

void CLogWriter::Run(CShared& shared) {
    std::unique_lock lock(shared.mutex);
    for (;;) {
        shared.cv.wait(lock, [&] { return shared.bStop || !shared.jobs.empty(); });
        if (shared.jobs.empty()) {
            break;  // stopped with nothing left to do
        }
        Job job = std::move(shared.jobs.front());
        shared.jobs.pop_front();
        shared.bRunning = true;
        lock.unlock();
        shared.cv.notify_all();  // room for a waiting Post
        RunJob(shared, job);
        job = nullptr;  // what it holds goes before the idle state is told
        lock.lock();
        shared.bRunning = false;
        shared.cv.notify_all();
    }
    shared.bEnded = true;
    shared.cv.notify_all();
}

}  // namespace tavik
