#include "dsp/LiquidHandles.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <cmath>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace tavik {

void CLiquidDestroy::operator()(rresamp_crcf_s* q) const {
    rresamp_crcf_destroy(q);
}
void CLiquidDestroy::operator()(freqdem_s* q) const {
    freqdem_destroy(q);
}
void CLiquidDestroy::operator()(fftplan_s* q) const {
    fft_destroy_plan(q);
}

namespace {

constexpr float kStopBandDb = 60.0f;

// Kaiser's estimate of the taps for kStopBandDb over a transition of `width` (of the rate).
unsigned KaiserTaps(double width) {
    return static_cast<unsigned>(std::ceil((kStopBandDb - 8.0) / (2.285 * 2.0 * M_PI * width))) + 1;
}

std::vector<float> LowPass(unsigned taps, double cutoff) {
    std::vector<float> h(taps);
    liquid_firdes_kaiser(taps, static_cast<float>(cutoff), kStopBandDb, 0.0f, h.data());
    return h;
}

// The resampler's prototype: it runs at the interpolated rate, and liquid takes 2 * interp * m
// taps.
std::vector<float> PrototypeTaps(unsigned interp, double rate, double cutoff, double transition) {
    const double upRate = rate * interp;
    const unsigned m = (KaiserTaps(transition / upRate) + 2 * interp - 1) / (2 * interp);
    return LowPass(2 * interp * m, cutoff / upRate);
}

}  // namespace

CLiquidResampler MakeResampler(unsigned interp, unsigned decim, double rate, double cutoff,
                               double transition) {
    std::vector<float> h = PrototypeTaps(interp, rate, cutoff, transition);
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    const auto m = static_cast<unsigned>(h.size()) / (2 * interp);
    CLiquidResampler q(rresamp_crcf_create(interp, decim, m, h.data()));
    if (!q) {
        throw std::runtime_error("cannot create the resampler");
    }
    rresamp_crcf_set_scale(q.get(), static_cast<float>(interp) / sum);
    return q;
}

std::vector<float> ResamplerTaps(unsigned interp, double rate, double cutoff, double transition) {
    std::vector<float> h = PrototypeTaps(interp, rate, cutoff, transition);
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    for (float& tap : h) {
        tap *= static_cast<float>(interp) / sum;
    }
    return h;
}

std::vector<float> DecimatorTaps(double rate, double cutoff, double transition) {
    const unsigned m = (KaiserTaps(transition / rate) + 1) / 2;
    std::vector<float> h = LowPass(2 * m, cutoff / rate);
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    for (float& tap : h) {
        tap /= sum;
    }
    return h;
}

std::vector<float> RealDecimatorTaps(double rate, double cutoff, double transition,
                                     bool inverseSinc) {
    const std::vector<float> lowPass = LowPass(KaiserTaps(transition / rate), cutoff / rate);
    // Either way three taps longer, so that both kinds delay alike.
    const float a = inverseSinc ? 1.0f / 24.0f : 0.0f;
    const float corrector[3] = {-a, 1.0f + 2.0f * a, -a};
    std::vector<float> h(lowPass.size() + 2, 0.0f);
    for (std::size_t i = 0; i < lowPass.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            h[i + k] += lowPass[i] * corrector[k];
        }
    }
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    for (float& tap : h) {
        tap /= sum;
    }
    return h;
}

}  // namespace tavik
