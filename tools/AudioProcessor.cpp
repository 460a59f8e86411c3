#include "tools/AudioProcessor.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

constexpr float kKnee = 0.75f;                           // limiter is linear up to 75 % of clip
constexpr double kMeanOvershootInterval = 200000 * 5.0;  // samples between overshoots (5 s)
constexpr std::int64_t kOvershootLength = 4000;          // samples (20 ms)
constexpr float kOvershootDrive = 1.5f;                  // extra drive into the limiter
constexpr double kSmoothing = 0.6;                       // share of the new gain per block
constexpr float kMinGain = 1e-3f;
constexpr float kMaxGain = 1e6f;

}  // namespace

CAudioProcessor::CAudioProcessor(float clipLevel, double targetPower, double overshootPercent,
                                 bool bStereo, std::uint64_t seed)
    : m_fClip(clipLevel),
      m_fTarget(targetPower),
      m_fOvershoot(static_cast<float>(1.0 + overshootPercent / 100.0)),
      m_bStereo(bStereo),
      m_random(seed) {
    m_nUntilOvershoot =
        static_cast<std::int64_t>(-std::log(1.0 - m_random.Uniform()) * kMeanOvershootInterval);
}

float CAudioProcessor::Limit(float x) const {
    const float magnitude = std::fabs(x) / m_fClip;
    if (magnitude <= kKnee) {
        return x;
    }
    // Above the knee a parabola with slope 1 at the knee reaches the clip level with slope 0
    // at 2 knee widths further on; beyond that the output stays at the clip level.
    const float u = std::min((magnitude - kKnee) / (1.0f - kKnee), 2.0f);
    const float limited = m_fClip * (kKnee + (1.0f - kKnee) * (u - 0.25f * u * u));
    return x < 0.0f ? -limited : limited;
}

double CAudioProcessor::Power(const float* left, const float* right, int count, float gain) const {
    double sum = 0.0;
    double difference = 0.0;
    for (int i = 0; i < count; ++i) {
        const float l = Limit(left[i] * gain);
        const float r = Limit(right[i] * gain);
        const float m = 0.5f * (l + r);
        const float s = 0.5f * (l - r);
        sum += static_cast<double>(m) * m;
        difference += static_cast<double>(s) * s;
    }
    // L-R on its subcarrier carries half its mean square.
    return (sum + (m_bStereo ? 0.5 * difference : 0.0)) / count;
}

void CAudioProcessor::Process(float* left, float* right, int count) {
    // Gain that brings this block to the target, found by a few secant-like steps (the
    // limiter makes power grow less than with the gain squared).
    float gain = m_fGain > 0.0f ? m_fGain : 0.5f * m_fClip;  // the programme is about unit scale
    for (int iteration = 0; iteration < 4; ++iteration) {
        const double power = Power(left, right, count, gain);
        if (power <= 0.0) {
            break;
        }
        const double ratio = std::clamp(std::sqrt(m_fTarget / power), 0.25, 4.0);
        gain = std::clamp(static_cast<float>(gain * ratio), kMinGain, kMaxGain);
    }
    // Smoothed towards it, so that the programme keeps some of its dynamics.
    m_fGain = m_fGain > 0.0f ? static_cast<float>(std::exp((1.0 - kSmoothing) * std::log(m_fGain) +
                                                           kSmoothing * std::log(gain)))
                             : gain;
    for (int i = 0; i < count; ++i) {
        float l = 0.0f;
        float r = 0.0f;
        if (m_nOvershootLeft > 0) {
            // A transient the limiter did not catch: driven harder, let through higher.
            --m_nOvershootLeft;
            l = Limit(left[i] * m_fGain * kOvershootDrive) * m_fOvershoot;
            r = Limit(right[i] * m_fGain * kOvershootDrive) * m_fOvershoot;
        } else {
            l = Limit(left[i] * m_fGain);
            r = Limit(right[i] * m_fGain);
        }
        if (m_nOvershootLeft == 0 && --m_nUntilOvershoot <= 0) {
            m_nOvershootLeft = kOvershootLength;
            m_nUntilOvershoot = static_cast<std::int64_t>(-std::log(1.0 - m_random.Uniform()) *
                                                          kMeanOvershootInterval);
        }
        left[i] = l;
        right[i] = r;
    }
}

}  // namespace tavik
