#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/GenericException.h"

namespace tavik {

// Runs the file work of result logging in order on a thread of its own, so that the
// once-a-second work on the user-interface thread never waits on storage: a write or a sync
// that stalls for seconds holds up only this thread. The queue is bounded; what does not fit
// is refused (the caller counts it as lost) unless waiting for room was asked for (the batch
// analysis, which must lose nothing and has no deadline). The thread shares its queue with
// this object rather than using it: a writer given up on (a disk that does not answer) is left
// to finish on its own, and neither it nor its jobs ever reach a freed owner.
class CLogWriter {
public:
    using Job = std::function<void()>;
    // Told (on the writer's thread) of a job that failed with an exception: the job's work
    // ends there and the next job runs.
    using FailureHandler = std::function<void(const CGenericException&)>;
    static constexpr std::size_t kQueueLimit = 1024;  // jobs waiting: hours of records
    // The longest a stop waits for the writer: a stop must end within a second whatever the
    // disk does (a service manager kills a stop that takes too long).
    static constexpr std::chrono::milliseconds STOP_WAIT{750};

    explicit CLogWriter(FailureHandler onFailure = {});
    // Runs what was queued, then ends the thread; a thread that has not ended within STOP_WAIT
    // (or at once after a stop gave up on it) is left to finish on its own.
    ~CLogWriter();
    CLogWriter(const CLogWriter&) = delete;
    CLogWriter& operator=(const CLogWriter&) = delete;

    // Queues `job` (the thread starts with the first). False when the queue is full and the
    // job was not queued; `always` queues it beyond the limit (the few jobs that open and
    // close a day's files, which must not be lost).
    bool Post(Job job, bool always = false);
    // Waits until every job queued so far has run.
    void WaitIdle();
    // Waits as WaitIdle does for at most STOP_WAIT (while waiting for room, as long as it
    // takes); false when the writer is still busy, and the destructor then does not wait again.
    bool WaitIdleForStop();
    // Whether a full queue makes Post wait for room instead of refusing the job.
    void SetWaitForRoom(bool wait);
    // Whether no job is queued or running.
    bool IsIdle() const;

private:
    struct CShared;  // the queue and its state, shared with the thread
    static void Run(CShared& shared);
    static void RunJob(CShared& shared, Job& job);

    std::shared_ptr<CShared> m_shared;
    std::thread m_thread;
    bool m_bGivenUp = false;  // a stop's wait ended with the writer busy
};

}  // namespace tavik
