#include "dsp/FmDemodulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace tavik {

namespace {

// Samples per group: the loop over a group has a fixed length, which the compiler vectorises
// at -O2 as well.
constexpr int kLanes = 8;

}  // namespace

CFmDemodulator::CFmDemodulator(double rate, double hertzPerUnit)
    // A phase step of dphi radians is dphi rate / (2 pi) Hz.
    : m_fScale(static_cast<float>(rate / (2.0 * std::numbers::pi) / hertzPerUnit)) {}

void CFmDemodulator::Reset() {
    m_previous = {0.0f, 0.0f};
}

int CFmDemodulator::Process(const std::complex<float>* in, int count, float* frequency,
                            float* envelope) {
    // Interleaved I and Q: the sample before the group, then the group's (a short last group
    // padded with zeros, whose readings are not written). Each sample takes the same
    // arithmetic wherever the stream is cut.
    std::array<float, 2 * (kLanes + 1)> x{};
    x[0] = m_previous.real();
    x[1] = m_previous.imag();
    for (int i = 0; i < count; i += kLanes) {
        const int n = std::min(kLanes, count - i);
        std::memcpy(x.data() + 2, in + i, sizeof(float) * 2 * static_cast<std::size_t>(n));
        std::fill(x.begin() + 2 + 2 * n, x.end(), 0.0f);
        std::array<float, kLanes> f;
        std::array<float, kLanes> e;
        for (int l = 0; l < kLanes; ++l) {
            const float pr = x[static_cast<std::size_t>(2 * l)];
            const float pi = x[static_cast<std::size_t>(2 * l + 1)];
            const float xr = x[static_cast<std::size_t>(2 * l + 2)];
            const float xi = x[static_cast<std::size_t>(2 * l + 3)];
            // x conj(previous), written out: std::complex's product guards against NaN and inf.
            const float re = xr * pr + xi * pi;
            const float im = xi * pr - xr * pi;
            f[static_cast<std::size_t>(l)] = Atan2(im, re) * m_fScale;
            // The magnitude without std::abs's guard against overflow (hypotf), which IQ of
            // full scale 1 does not need.
            e[static_cast<std::size_t>(l)] = std::sqrt(xr * xr + xi * xi);
        }
        std::copy_n(f.begin(), n, frequency + i);
        std::copy_n(e.begin(), n, envelope + i);
        x[0] = x[static_cast<std::size_t>(2 * n)];
        x[1] = x[static_cast<std::size_t>(2 * n + 1)];
    }
    m_previous = {x[0], x[1]};
    return std::max(count, 0);
}

}  // namespace tavik
