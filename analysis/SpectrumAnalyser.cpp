#include "analysis/SpectrumAnalyser.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "platform/FftPlanner.h"

namespace tavik {

struct CSpectrumAnalyser::Fft {
    Fft() {
        in = static_cast<float*>(fftwf_malloc(sizeof(float) * kSize));
        out = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * kBins));
        std::lock_guard lock(FftPlannerMutex());
        plan = fftwf_plan_dft_r2c_1d(kSize, in, out, FFTW_ESTIMATE);
    }
    ~Fft() {
        {
            std::lock_guard lock(FftPlannerMutex());
            fftwf_destroy_plan(plan);
        }
        fftwf_free(out);
        fftwf_free(in);
    }
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;

    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;
};

CSpectrumAnalyser::CSpectrumAnalyser() : m_fft(std::make_unique<Fft>()) {
    for (int window = 0; window < 3; ++window) {
        FillWindow(window, m_windows[static_cast<std::size_t>(window)].data());
    }
}

CSpectrumAnalyser::~CSpectrumAnalyser() {
    EndWorker();
}

void CSpectrumAnalyser::FillWindow(int window, float* weights) {
    constexpr int N = kSize;
    switch (window) {
        case WINDOW_BARTLETT:
            // Integer (N + 1) / 2: the rising half ends at n = 1023 with 2046/2047.
            for (int n = 0; n < (N + 1) / 2; ++n) {
                weights[n] = static_cast<float>(2.0 * n / (N - 1));
                weights[N - 1 - n] = weights[n];
            }
            break;
        case WINDOW_BLACKMAN:
            for (int n = 0; n < N; ++n) {
                const double x = 2.0 * std::numbers::pi * n / (N - 1);
                weights[n] =
                    static_cast<float>(0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x));
            }
            break;
        default:
            std::fill(weights, weights + N, 1.0f);
            break;
    }
}

void CSpectrumAnalyser::Pass() {
    if (m_nDataCount < kSize) {
        return;  // fewer samples than one transform
    }
    const int window = m_nWindow.load();
    if (window == WINDOW_BARTLETT || window == WINDOW_BLACKMAN) {
        const float* w = m_windows[static_cast<std::size_t>(window)].data();
        for (int n = 0; n < kSize; ++n) {
            m_fft->in[n] = m_pData[n] * w[n];
        }
    } else {
        std::copy(m_pData, m_pData + kSize, m_fft->in);
    }
    fftwf_execute(m_fft->plan);

    for (int k = 0; k < kBins; ++k) {
        const double re = m_fft->out[k][0];
        const double im = m_fft->out[k][1];
        m_spectrum[static_cast<std::size_t>(k)] =
            static_cast<float>(20.0 * std::log10(std::sqrt(re * re + im * im) / kReference));
    }
    Notify(
        CAnalyserResult::Make<EResultCode::Spectrum>(std::make_shared<const Spectrum>(m_spectrum)));

    if (m_bResetPeakHold.exchange(false)) {
        m_peakHold = m_spectrum;
    } else {
        for (int k = 0; k < kBins; ++k) {
            const auto i = static_cast<std::size_t>(k);
            m_peakHold[i] = std::max(m_peakHold[i], m_spectrum[i]);
        }
    }
    Notify(
        CAnalyserResult::Make<EResultCode::PeakHold>(std::make_shared<const Spectrum>(m_peakHold)));
}

}  // namespace tavik
