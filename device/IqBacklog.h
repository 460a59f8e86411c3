#pragma once

#include <algorithm>
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
    explicit CIqBacklog(double rate) : m_fRate(rate) {}

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
    void Reset() { m_fSamples = 0.0; }

private:
    double m_fRate;
    double m_fSamples = 0.0;
};

}  // namespace tavik
