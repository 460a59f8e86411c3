#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/SampleBlock.h"
#include "platform/WorkerThread.h"

namespace tavik {

// Results of WM_ANALYSER_RESULT posted by the deviation analyser (lParam 0), each an immutable
// copy:
//   TimeSignal (1)            the block in percent of 75 kHz deviation, one value per sample;
//   DeviationRelative (3)     relative distribution in percent, one per 1-kHz bin (110 bins;
//                             bin k covers [k, k+1) kHz);
//   DeviationPeak (4)         peak deviation of the block, kHz;
//   DeviationAccumulated (5)  percentage of half-block peaks at or above k + 1 kHz, per bin;
//   DeviationMax (6)          largest half-block peak since the last clear, kHz.
// Codes 3, 5 and 6 come once a second (every 10 blocks), in that order, before that block's 4.

// Frequency-deviation statistics of the MPX blocks: the peak of every half block, their
// histogram over the whole measurement, the relative and accumulated distributions, the
// maximum deviation, and every fifth block a time signal for display.
//
// Threads: PostData on the ADC distribution thread; the pass on the worker thread;
// SetReference, SetFilter, ClearBuffer and GetTimeSignal on the user-interface thread. The
// statistics getters read the pass's own state: call them only while no pass runs
// (synchronous mode, or after WaitUntilIdle); the user interface reads the posted copies.
class CDeviationTavik : public CWorkerThread {
public:
    // What one pass produced besides its state; Pass() posts it.
    struct SPassResult {
        bool bAnalysed = false;    // false: nothing to analyse (no samples, no reference)
        float fBlockPeak = 0.0f;   // peak deviation of the whole block, kHz (DeviationPeak)
        bool bTimeSignal = false;  // the scaled block is in the time-signal buffer (TimeSignal)
        bool bStatistics = false;  // the distributions and the maximum were updated (3, 5, 6)
    };

    CDeviationTavik();
    ~CDeviationTavik() override;

    // Amplitude (ADC units) of 19 kHz deviation. Accepts 0 < value < 32768; otherwise stores 0
    // (no block is analysed until a valid reference is set) and returns false.
    bool SetReference(float reference);
    float GetReference() const { return m_fReference.load(); }
    // Applies the peak filter from the next update on and restarts the maximum at 0.
    void SetFilter(bool useFilter);
    bool GetFilter() const { return m_bUseFilter.load(); }
    // Waits up to 1000 ms for a running pass, then empties the histogram, the collected peaks,
    // the counters and the maximum. Throws CDeviationTavikException (nothing cleared) when the
    // pass does not end in time. The distributions keep their contents until the next update.
    // Called while no blocks are handed over (the distribution threads have ended).
    void ClearBuffer();

    // The calculation of one pass over `count` samples, without posting. Tests and batch
    // analysis call it directly; the worker thread calls it from Pass().
    SPassResult AnalyseBlock(const float* data, int count, const CBlockFigures* figures = nullptr);

    // The latest time signal (the copy posted with TimeSignal), or null before the
    // first one. Safe from any thread.
    std::shared_ptr<const std::vector<float>> GetTimeSignal() const;

    // The pass's state; see the thread note above.
    const std::vector<float>& GetRelative() const { return m_relative; }
    const std::vector<float>& GetAccumulated() const { return m_accumulated; }
    const std::vector<std::uint32_t>& GetHistogram() const { return m_histogram; }
    float GetMaxDeviation() const { return m_fMaxDeviation.load(); }
    int GetBins() const { return m_nBins; }
    // The scaled block of the last time-signal pass (its first `count` values are valid).
    const float* GetScaledBlock(int& count) const {
        count = m_nTimeSignalCount;
        return m_timeSignal.data();
    }

protected:
    void Pass() override;

private:
    void ScaleTimeSignal(const float* data, int count, float reference);
    bool UpdateStatistics();
    void ApplyPeakFilter();
    void RaiseMaxDeviation(float value);

    // Histogram layout, fixed: 110 bins of 1 kHz; bin k covers [k, k+1) kHz.
    static constexpr int m_nBinWidth = 1;
    static constexpr int m_nMaxDeviation = 110;
    static constexpr int m_nBins = (m_nMaxDeviation + m_nMaxDeviation % m_nBinWidth) / m_nBinWidth;

    std::atomic<bool> m_bUseFilter{false};
    int m_nScaleCounter = 1;                                    // blocks since the last time signal
    static constexpr int m_nBlockSize = GLOBAL_SAMPLE_BUFSIZE;  // samples beyond it are ignored
    std::atomic<float> m_fReference{0.0f};
    int m_nBlockCounter = 0;
    const int m_nBlocksPerUpdate = 10;  // statistics once per second of signal
    std::vector<float> m_peaks;         // half-block peaks (kHz) since the last update
    std::vector<std::uint32_t> m_histogram;
    std::vector<float> m_relative;
    std::vector<float> m_accumulated;
    std::atomic<float> m_fMaxDeviation{0.0f};

    // The scaled block of the last code-1 pass and the copy that was posted of it.
    std::array<float, GLOBAL_SAMPLE_BUFSIZE> m_timeSignal{};
    int m_nTimeSignalCount = 0;
    mutable std::mutex m_timeSignalMutex;  // guards only the pointer below
    std::shared_ptr<const std::vector<float>> m_pPostedTimeSignal;
};

}  // namespace tavik
