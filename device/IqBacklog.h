#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace tavik {

// How many samples a live receiver has made that are not read yet (in its socket, its server's
// queue, its driver's buffers), judged from the pace of the reads. A read that had to wait for
// its samples found none waiting; between such reads the backlog grows by what the receiver made
// in the time (its rate times the seconds) less what was read. After a retuning, the backlog is
// still of the band before: a reader that lags by a second would otherwise measure a second of
// the old band as the new one.
class CIqBacklog {
public:
    using Clock = std::chrono::steady_clock;

    explicit CIqBacklog(double rate) : m_fRate(rate) {}

    // The stream opened at `now`: nothing is waiting.
    void Start(Clock::time_point now) {
        m_fSamples = 0.0;
        m_last = now;
    }
    // A read asked at `asked` that returned `count` samples at `done`.
    void Read(std::int64_t count, Clock::time_point asked, Clock::time_point done) {
        Read(count, Seconds(done - asked), Seconds(done - m_last));
        m_last = done;
    }
    // The backlog at `now`, the receiver's samples since the last read counted in.
    std::int64_t SamplesAt(Clock::time_point now) {
        Read(0, now, now);
        return Samples();
    }

    // A read that returned `count` samples after `readSeconds` in the read, `sinceLast` seconds
    // after the end of the read before (that includes the read itself).
    void Read(std::int64_t count, double readSeconds, double sinceLast) {
        // Waiting for at least half the time the samples span: the receiver's pace held it up.
        if (count > 0 && readSeconds >= 0.5 * static_cast<double>(count) / m_fRate) {
            m_fSamples = 0.0;
            return;
        }
        m_fSamples = std::max(0.0, m_fSamples + m_fRate * sinceLast - static_cast<double>(count));
    }
    std::int64_t Samples() const { return std::llround(m_fSamples); }

private:
    static double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

    double m_fRate;
    double m_fSamples = 0.0;
    Clock::time_point m_last{};
};

}  // namespace tavik
