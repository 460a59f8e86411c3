#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/LeastSquaresFit.h"
#include "analysis/MultipathHost.h"
#include "analysis/MultipathResult.h"
#include "platform/SampleBlock.h"
#include "platform/WorkerThread.h"

namespace tavik {

// Multipath estimate from how the RF amplitude follows the deviation: a cubic least-squares fit
// of the linear level against the deviation over the 200 ms segment with the widest deviation,
// its relative slope in %/kHz and the ITU-R measurement conditions.
//
// Fed by the distribution thread (two-channel PostData, which never starts a pass) and
// triggered by the main timer (Analyse, user-interface thread). Each pass posts WM_ANALYSER_RESULT
// with SegmentPeaks (13) and Multipath (8); lParam carries the payload's address. A failed pass
// posts WM_ANALYSER_ERROR (error ID 11, sub-ID, the message text) and leaves the analyser busy
// until ClearBuffer, so that it takes no new blocks.
class CMultipathTavik : public CWorkerThread {
public:
    static constexpr int kSegments = static_cast<int>(kSegmentCount);
    static constexpr int kSegmentSize = 2000;
    // One GLOBAL_SAMPLE_BUFSIZE block of each channel: other counts are refused.
    static constexpr int kBlockSize = kSegments * kSegmentSize;
    static constexpr float kReference = kMpxReferenceAmplitude;
    static constexpr float kMinimumDeviation = CMultipathResult::kMinimumDeviation;

    explicit CMultipathTavik(CMultipathHost* host);
    ~CMultipathTavik() override;

    // Not used for this analyser: a block always comes with its level channel.
    void PostData(const float* data, int count) override;
    // Distribution thread: copies both channels when idle and both counts are kBlockSize.
    virtual void PostData(const float* mpx, int mpxCount, const float* level, int levelCount);

    // User-interface thread: starts a pass on the blocks held, also while the analyser stays
    // busy after a failure; no second pass while one still runs.
    virtual void Analyse();

    // Calibration (user-interface thread; each waits for a running pass to end first).
    void SetCalibrators(const std::uint8_t* block);  // 16 bytes: k0..k3, little-endian
    void ResetCalibration();
    // The last averaged coefficients become the calibration, the average restarts from zero
    // and the host writes the calibration to the EEPROM (its exception is thrown on, the new
    // calibration stays in memory).
    void Calibrate();

    // Measurement stop: waits up to 1000 ms for a running pass (else throws
    // CMultipathTavikException "ClearBuffer: Wait timed out!\n"), then takes blocks again,
    // empties the arrays and zeroes the average.
    void ClearBuffer();

    // Read access for tests and batch analysis, while no pass runs.
    const std::array<float, 4>& GetCoefficients() const { return m_coeff; }
    const std::array<float, 4>& GetLastCoefficients() const { return m_lastCoeff; }
    const std::array<float, 4>& GetCalibrators() const { return m_calib; }
    const CSegmentPeaks& GetSegmentPeaks() const { return m_segmentPeaks; }
    bool IsPassRunning() const { return m_bPassRunning.load(); }

protected:
    void Pass() override;
    bool KeepBusyAfterPass() const override { return m_bFailed; }

private:
    // One pass; throws CMultipathTavikException.
    void Compute();
    // Chooses the segment with the largest peak (samples in ADC units; the peaks in kHz) and
    // keeps only its samples; true when the peak exceeds 20 kHz.
    bool AnalyseDeviation(std::vector<float>& mpx, std::vector<float>& level);
    void ClaimArrays();
    void ReleaseArrays();
    void SetPassRunning(bool running);
    bool WaitForPassEnd(std::chrono::milliseconds limit);
    void WaitForPass();

    CMultipathHost* const m_pHost;

    CSegmentPeaks m_segmentPeaks{};
    std::vector<float> m_mpx;
    std::vector<float> m_level;
    std::array<float, 4> m_coeff{};
    std::array<float, 4> m_lastCoeff{};
    std::array<float, 4> m_calib{};
    CLeastSquaresFit m_fit;

    // The arrays belong either to PostData's copy or to a pass; a pass that starts while a
    // copy runs waits for it to finish.
    std::atomic<bool> m_bArraysClaimed{false};
    HWND m_hFailureWnd = nullptr;  // start record of the current pass
    bool m_bFailed = false;        // worker thread of the pass only
    std::atomic<bool> m_bPassRunning{false};
    std::mutex m_passMutex;
    std::condition_variable m_passEnded;
};

}  // namespace tavik
