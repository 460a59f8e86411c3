#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tavik {

// The waits that give recorded data the receiver's pace. Real time by default; tests and fast
// replay use a faster factor or step the waits by hand. Interrupt() ends every current and
// future wait at once (used when a transfer stops) until Reset().
class CPacer {
public:
    // Time on the pacer's own clock, from an origin of its choosing.
    using Time = std::chrono::nanoseconds;

    virtual ~CPacer() = default;
    // Waits `period` from now (a settling time).
    virtual void Sleep(std::chrono::milliseconds period) = 0;
    // Waits until Now() reaches `deadline`; returns at once when it already has.
    virtual void SleepUntil(Time deadline) = 0;
    virtual Time Now() = 0;
    virtual void Interrupt() = 0;
    virtual void Reset() = 0;
};

// Waits period / speed of real time (speed 1: the receiver's own pace).
class CRealTimePacer final : public CPacer {
public:
    explicit CRealTimePacer(double speed = 1.0);
    void Sleep(std::chrono::milliseconds period) override;
    void SleepUntil(Time deadline) override;
    Time Now() override;  // speed x the real time since construction
    void Interrupt() override;
    void Reset() override;

private:
    const double m_fSpeed;
    const std::chrono::steady_clock::time_point m_origin;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bInterrupted = false;
};

// Each Sleep and SleepUntil waits for a permit granted by Step(); lets tests run transfer
// cycles one by one. Its clock moves only with the waits it releases: by the period of a
// Sleep, to the deadline of a SleepUntil.
class CSteppedPacer final : public CPacer {
public:
    void Sleep(std::chrono::milliseconds period) override;
    void SleepUntil(Time deadline) override;
    Time Now() override;
    void Interrupt() override;
    void Reset() override;

    void Step(int cycles = 1);
    // Waits until every granted permit was used and a thread waits in Sleep again, so the
    // cycles granted so far have completed. False when `limit` passed first.
    bool WaitUntilIdle(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    void WaitForPermit(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    Time m_now{0};
    int m_nPermits = 0;
    int m_nWaiting = 0;
    bool m_bInterrupted = false;
};

}  // namespace tavik
