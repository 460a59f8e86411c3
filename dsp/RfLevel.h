#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numbers>
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

    // 20 log10(x) for x of at least 1e-9 (below reads as 1e-9, -180 dB), within 1e-5 dB: the
    // exponent of the float and a series in its mantissa, without branches, so that the loop
    // over the samples vectorises where libm's log10f is a call per sample.
    static float Decibels(float x) {
        // The floor keeps a channel of nothing finite; taken on the bits (whose order is the
        // positive floats' and puts the negative ones below), so that the compiler does not branch.
        const auto bits = std::max(static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(x)),
                                   static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(1e-9f)));
        // x = 2^e m with m in [sqrt(1/2), sqrt(2)): e from the bits' distance to sqrt(1/2)'s.
        constexpr std::int32_t kSqrtHalf = 0x3f3504f3;
        const std::int32_t e = (bits - kSqrtHalf) >> 23;
        const float m = std::bit_cast<float>(bits - e * (1 << 23));
        // ln m = 2 atanh(t), t = (m - 1) / (m + 1), |t| <= 0.172: the series to t^9 leaves 1e-9.
        const float t = (m - 1.0f) / (m + 1.0f);
        const float t2 = t * t;
        const float ln =
            2.0f * t *
            (1.0f + t2 * (1.0f / 3 + t2 * (1.0f / 5 + t2 * (1.0f / 7 + t2 * (1.0f / 9)))));
        constexpr auto kPerNeper = static_cast<float>(20.0 / std::numbers::ln10);
        constexpr auto kPerOctave =
            static_cast<float>(20.0 * std::numbers::ln2 / std::numbers::ln10);
        return kPerNeper * ln + kPerOctave * static_cast<float>(e);
    }

private:
    float m_fFullScale;
    std::vector<float> m_delay;  // the last `delay` levels, the oldest first
    std::vector<float> m_spare;  // as many, while they change places
};

}  // namespace tavik
