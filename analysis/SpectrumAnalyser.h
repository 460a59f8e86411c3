#pragma once

#include <array>
#include <atomic>
#include <memory>

#include "platform/WorkerThread.h"

namespace tavik {

// Magnitude spectrum of the MPX signal from 0 to 100 kHz: a 2048-point real FFT of the start
// of a block after an optional window, in dB against a fixed reference, plus peak hold.
//
// Results of WM_ANALYSER_RESULT: the current spectrum (EResultCode::Spectrum) and the peak-hold
// spectrum (EResultCode::PeakHold).
class CSpectrumAnalyser : public CWorkerThread {
public:
    static constexpr int kOrder = 11;
    static constexpr int kSize = 1 << kOrder;    // 2048 samples
    static constexpr int kBins = kSize / 2 + 1;  // 1025 bins, 97.65625 Hz apart
    static_assert(kBins == kSpectrumBins);
    static constexpr double kReference = 16216500.0;  // magnitude of 0 dB
    enum Window { WINDOW_NONE = 0, WINDOW_BARTLETT = 1, WINDOW_BLACKMAN = 2 };
    using Spectrum = CSpectrumBins;

    CSpectrumAnalyser();
    ~CSpectrumAnalyser() override;

    void SetWindow(int window) { m_nWindow.store(window); }
    int GetWindow() const { return m_nWindow.load(); }
    void ClearPeakHold() { m_bResetPeakHold.store(true); }

    // The window's weights w[0..2047] (all 1 for none and for unknown types).
    static void FillWindow(int window, float* weights);

    // The spectra of the last pass (read when no pass runs).
    const Spectrum& GetSpectrum() const { return m_spectrum; }
    const Spectrum& GetPeakHold() const { return m_peakHold; }

protected:
    void Pass() override;

private:
    struct Fft;  // the FFTW plan and its aligned buffers, made once

    Spectrum m_spectrum{};
    Spectrum m_peakHold{};
    std::atomic<int> m_nWindow{WINDOW_NONE};
    std::atomic<bool> m_bResetPeakHold{true};
    std::unique_ptr<Fft> m_fft;
    std::array<std::array<float, kSize>, 3> m_windows{};  // weights per window type
};

}  // namespace tavik
