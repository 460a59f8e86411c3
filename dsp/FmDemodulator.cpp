#include "dsp/FmDemodulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

CFmDemodulator::CFmDemodulator(double rate, double hertzPerUnit)
    // A phase step of dphi radians is dphi rate / (2 pi) Hz.
    : m_fScale(static_cast<float>(rate / (2.0 * std::numbers::pi) / hertzPerUnit)) {}

void CFmDemodulator::Reset() {
    m_previous = {0.0f, 0.0f};
}

float CFmDemodulator::Atan2(float y, float x) {
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    const float big = std::max(ax, ay);
    const float a = big > 0.0f ? std::min(ax, ay) / big : 0.0f;
    const float s = a * a;
    // Minimax polynomial of atan on [0, 1].
    float r =
        a * (0.99997726f +
             s * (-0.33262347f +
                  s * (0.19354346f + s * (-0.11643287f + s * (0.05265332f + s * -0.01172120f)))));
    constexpr auto kHalfPi = static_cast<float>(std::numbers::pi / 2.0);
    constexpr auto kPi = static_cast<float>(std::numbers::pi);
    r = ay > ax ? kHalfPi - r : r;
    r = x < 0.0f ? kPi - r : r;
    return y < 0.0f ? -r : r;
}

int CFmDemodulator::Process(const std::complex<float>* in, int count, float* frequency,
                            float* envelope) {
    if (count <= 0) {
        return 0;
    }
    std::complex<float> previous = m_previous;
    for (int i = 0; i < count; ++i) {
        const std::complex<float> x = in[i];
        // x conj(previous), written out: std::complex's product guards against NaN and inf.
        const float re = x.real() * previous.real() + x.imag() * previous.imag();
        const float im = x.imag() * previous.real() - x.real() * previous.imag();
        frequency[i] = Atan2(im, re) * m_fScale;
        previous = x;
    }
    m_previous = previous;
    // The magnitude without std::abs's guard against overflow (hypotf), which IQ of full
    // scale 1 does not need: a loop the compiler vectorises.
    for (int i = 0; i < count; ++i) {
        envelope[i] = std::sqrt(in[i].real() * in[i].real() + in[i].imag() * in[i].imag());
    }
    return count;
}

}  // namespace tavik
