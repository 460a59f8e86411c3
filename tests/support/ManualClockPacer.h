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
    template <class F>
    auto Locked(F f) {  // f() under the lock
        std::lock_guard lock(m_mutex);
        return f();
    }

public:
    void Sleep(std::chrono::milliseconds period) override {
        std::unique_lock lock(m_mutex);
        WaitLocked(lock, m_now + period);
    }
    void SleepUntil(Time deadline) override {
        std::unique_lock lock(m_mutex);
        WaitLocked(lock, deadline);
    }
    Time Now() override {
        return Locked([&] { return m_now; });
    }
    void Interrupt() override {
        Locked([&] { return m_bInterrupted = true; });
        m_cv.notify_all();
    }
    void Reset() override {
        Locked([&] { return m_bInterrupted = false; });
    }

    // Moves the clock to `time` and releases every wait due by then.
    void AdvanceTo(Time time) {
        Locked([&] { return m_now = time; });
        m_cv.notify_all();
    }
    // Waits until `threads` threads wait for a time still ahead of the clock, so every cycle
    // due so far has run. False when `limit` passed first.
    bool WaitUntilIdle(std::size_t threads,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, limit,
                             [&] { return m_waits.size() == threads && *m_waits.begin() > m_now; });
    }
    // Waits that ended because the clock reached them (not by Interrupt).
    std::int64_t WaitsEnded() {
        return Locked([&] { return m_nWaitsEnded; });
    }

private:
    void WaitLocked(std::unique_lock<std::mutex>& lock, Time deadline) {
        const auto entry = m_waits.insert(deadline);
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_bInterrupted || m_now >= deadline; });
        m_nWaitsEnded += m_bInterrupted ? 0 : 1;
        m_waits.erase(entry);
        m_cv.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    Time m_now{0};
    std::multiset<Time> m_waits;  // deadlines of the threads waiting now
    std::int64_t m_nWaitsEnded = 0;
    bool m_bInterrupted = false;
};

}  // namespace tavik::test
