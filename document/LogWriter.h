#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include <thread>
#include <utility>
#include "platform/GenericException.h"

namespace tavik {

// Runs the file work of result logging in order on a thread of its own, so that the
// once-a-second work on the user-interface thread never waits on storage: a write or a sync
// that stalls for seconds holds up only this thread. The queue is bounded; what does not fit
// is refused (the caller counts it as lost) unless waiting for room was asked for (the batch
// analysis, which must lose nothing and has no deadline).
class CLogWriter {
public:
    using Job = std::function<void()>;
    static constexpr std::size_t kQueueLimit = 1024;  // jobs waiting: hours of records

    // Told (on the writer's thread) of a job that failed with an exception: the job's work
    // ends there and the next job runs.
    using FailureHandler = std::function<void(const CGenericException&)>;

    explicit CLogWriter(FailureHandler onFailure = {}) : m_onFailure(std::move(onFailure)) {}
    ~CLogWriter();  // runs what was queued, then ends the thread
    CLogWriter(const CLogWriter&) = delete;
    CLogWriter& operator=(const CLogWriter&) = delete;

    // Queues `job` (the thread starts with the first). False when the queue is full and the
    // job was not queued; `always` queues it beyond the limit (the few jobs that open and
    // close a day's files, which must not be lost).
    bool Post(Job job, bool always = false);
    // Waits until every job queued so far has run.
    void WaitIdle();
    // Whether a full queue makes Post wait for room instead of refusing the job.
    void SetWaitForRoom(bool wait);
    // Whether no job is queued or running.
    bool IsIdle() const;

private:
    void Run();
    void RunJob(Job& job);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Job> m_jobs;
    bool m_bRunning = false;  // a job is running
    bool m_bStop = false;
    bool m_bWaitForRoom = false;
    FailureHandler m_onFailure;
    std::thread m_thread;
};

}  // namespace tavik
