#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>

#include "platform/Pacer.h"

namespace tavik::test {

// A pacer on a clock that moves only when the test sets it: a wait ends when the clock reaches
// its time, never on real time, so a test replays hours of pace in moments and stops the clock
// wherever it likes.
class CManualClockPacer final : public CPacer {
public:
    void Sleep(std::chrono::milliseconds period) override;  // until Now() + period
    void SleepUntil(Time deadline) override;
    Time Now() override;
    void Interrupt() override;
    void Reset() override;

    // Moves the clock to `time` and releases every wait due by then.
    void AdvanceTo(Time time);
    // Waits until `threads` threads wait for a time still ahead of the clock, so every cycle
    // due so far has run. False when `limit` passed first.
    bool WaitUntilIdle(std::size_t threads,
                       std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits that ended because the clock reached them (not by Interrupt).
    std::int64_t WaitsEnded();

private:
    void WaitLocked(std::unique_lock<std::mutex>& lock, Time deadline);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    Time m_now{0};
    std::multiset<Time> m_waits;  // deadlines of the threads waiting now
    std::int64_t m_nWaitsEnded = 0;
    bool m_bInterrupted = false;
};

}  // namespace tavik::test
