#include "dsp/ProgrammeResampler.h"

#include <complex>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace tavik {

namespace {

constexpr int kSemiLength = 16;      // taps per phase / 2
constexpr float kCutoff = 19000.0f;  // Hz: flat to beyond 15 kHz, stopped by 24 kHz
constexpr float kStopBandDb = 70.0f;

}  // namespace

void CProgrammeResampler::CDestroy::operator()(rresamp_rrrf_s* q) const {
    rresamp_rrrf_destroy(q);
}

CProgrammeResampler::CProgrammeResampler(float fullScale) : m_fGain(32767.0f / fullScale) {
    // The low-pass runs at the interpolated rate (24 * 50000); unity gain at 0 Hz.
    const unsigned taps = 2 * kInterp * kSemiLength;
    std::vector<float> h(taps);
    const double upRate = static_cast<double>(kInputRate) * kInterp;
    liquid_firdes_kaiser(taps, static_cast<float>(kCutoff / upRate), kStopBandDb, 0.0f, h.data());
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    for (CHandle* handle : {&m_pLeft, &m_pRight}) {
        handle->reset(rresamp_rrrf_create(kInterp, kDecim, kSemiLength, h.data()));
        if (!*handle) {
            throw std::runtime_error("cannot create the programme resampler");
        }
        rresamp_rrrf_set_scale(handle->get(), static_cast<float>(kInterp) / sum);
    }
}

CProgrammeResampler::~CProgrammeResampler() = default;

void CProgrammeResampler::Reset() {
    rresamp_rrrf_reset(m_pLeft.get());
    rresamp_rrrf_reset(m_pRight.get());
    m_nWaiting = 0;
}

int CProgrammeResampler::Process(const float* left, const float* right, int count,
                                 std::int16_t* pcm) {
    int frames = 0;
    for (int i = 0; i < count;) {
        const int take = std::min(count - i, kDecim - m_nWaiting);
        std::copy_n(left + i, take, m_groupLeft.begin() + m_nWaiting);
        std::copy_n(right + i, take, m_groupRight.begin() + m_nWaiting);
        m_nWaiting += take;
        i += take;
        if (m_nWaiting == kDecim) {
            EmitGroup(pcm + 2 * frames);
            frames += kInterp;
            m_nWaiting = 0;
        }
    }
    return frames;
}

void CProgrammeResampler::EmitGroup(std::int16_t* pcm) {
    rresamp_rrrf_execute(m_pLeft.get(), m_groupLeft.data(), m_outLeft.data());
    rresamp_rrrf_execute(m_pRight.get(), m_groupRight.data(), m_outRight.data());
    const auto toPcm = [this](float x) {
        return static_cast<std::int16_t>(std::lround(std::clamp(x * m_fGain, -32768.0f, 32767.0f)));
    };
    for (int k = 0; k < kInterp; ++k) {
        pcm[2 * k] = toPcm(m_outLeft[static_cast<std::size_t>(k)]);
        pcm[2 * k + 1] = toPcm(m_outRight[static_cast<std::size_t>(k)]);
    }
}

}  // namespace tavik
