#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace tavik {

// The FM channel's two readings per sample: the frequency by a quadrature discriminator (the
// phase step over one sample, arg(x[n] conj(x[n-1]))), in units of `hertzPerUnit` Hz, and the
// envelope (the magnitude). The phase step's arc tangent is a polynomial within 1e-5 rad (0.6
// Hz at 400 kHz) without branches, so that the loop over the samples vectorises. Allocates
// nothing.
class CFmDemodulator {
public:
    // `rate`: samples per second of the channel.
    CFmDemodulator(double rate, double hertzPerUnit);

    // The discriminator forgets the last sample: the next step is taken from 0.
    void Reset();
    // Writes `count` samples to each of `frequency` and `envelope`; returns `count`.
    int Process(const std::complex<float>* in, int count, float* frequency, float* envelope);

    // atan2(y, x) in (-pi, pi], within 1e-5 rad; 0 for (0, 0).
    static float Atan2(float y, float x) {
        const float ax = std::fabs(x);
        const float ay = std::fabs(y);
        const float big = std::max(ax, ay);
        // Divided by the smallest float instead of 0, giving 0 for (0, 0) without a branch:
        // the division is taken for every lane of a vectorised loop.
        const float a = std::min(ax, ay) / std::max(big, std::numeric_limits<float>::denorm_min());
        const float s = a * a;
        // Minimax polynomial of atan on [0, 1].
        float r =
            a *
            (0.99997726f +
             s * (-0.33262347f +
                  s * (0.19354346f + s * (-0.11643287f + s * (0.05265332f + s * -0.01172120f)))));
        constexpr auto kHalfPi = static_cast<float>(std::numbers::pi / 2.0);
        constexpr auto kPi = static_cast<float>(std::numbers::pi);
        // The octant's reflections as additions of selected values (r >= 0, so 0 + r is r):
        // a selected difference would be a branch where floating point may trap.
        const bool steep = ay > ax;
        r = (steep ? kHalfPi : 0.0f) + (steep ? -r : r);
        const bool left = x < 0.0f;
        r = (left ? kPi : 0.0f) + (left ? -r : r);
        return y < 0.0f ? -r : r;
    }

private:
    float m_fScale;                        // units per radian of phase step
    std::complex<float> m_previous{0.0f};  // the last sample
};

}  // namespace tavik
