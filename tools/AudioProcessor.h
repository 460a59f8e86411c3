#pragma once

#include <cstdint>

#include "tools/Random.h"

namespace tavik {

// The broadcast processor in front of the stereo encoder: a gain control that steers each
// 100 ms block towards the programme's share of the target MPX power, and a soft limiter on
// each channel that keeps L+R plus L-R (whose peak never exceeds max(|L|, |R|)) within the
// programme's share of the peak deviation. Now and then, for 20 ms, peaks pass the limiter by
// the overshoot factor, as real processors' overshoots do.
class CAudioProcessor {
public:
    // clipLevel: largest programme amplitude in ADC units; targetPower: mean square in ADC
    // units that the programme's part of the multiplex should have.
    CAudioProcessor(float clipLevel, double targetPower, double overshootPercent, bool bStereo,
                    std::uint64_t seed);

    // Works in place on one block.
    void Process(float* left, float* right, int count);

    float Gain() const { return m_fGain; }

private:
    float Limit(float x) const;
    // Mean square of the programme part of the multiplex after gain and limiter.
    double Power(const float* left, const float* right, int count, float gain) const;

    float m_fClip;
    double m_fTarget;
    float m_fOvershoot;
    bool m_bStereo;
    CRandom m_random;
    float m_fGain = 0.0f;  // 0 until the first block has set it
    std::int64_t m_nUntilOvershoot;
    std::int64_t m_nOvershootLeft = 0;
};

}  // namespace tavik
