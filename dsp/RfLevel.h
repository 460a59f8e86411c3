#pragma once

#include <vector>

namespace tavik {

// The channel's envelope as RF level in dBuV, delayed by `delay` samples so that each level
// stays with the MPX sample that a filter of that delay gives. Works in place; allocates nothing
// after construction.
class CRfLevel {
public:
    // `fullScaleDbuv`: the level of a carrier at amplitude 1.0.
    CRfLevel(double fullScaleDbuv, int delay);

    // Empties the delay line: the first `delay` levels after read 0.
    void Reset();
    // Replaces `count` envelope samples by the levels `delay` samples earlier; returns `count`.
    int Process(float* level, int count);

private:
    float m_fFullScale;
    std::vector<float> m_delay;  // a ring of the last `delay` levels
    std::size_t m_nIndex = 0;    // the oldest
};

}  // namespace tavik
