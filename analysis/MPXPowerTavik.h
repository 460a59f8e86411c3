#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/SampleBlock.h"
#include "platform/WorkerThread.h"

namespace tavik {

// MPX power in dBr: 0 dBr is the power of a sine whose peak is the reference amplitude (the
// amplitude of 19 kHz deviation). Every 10 blocks it posts the 1-second value
// (EResultCode::Power1s) and, once 600 blocks are in, the 60-second sliding value at the front of a
// one-hour history (EResultCode::PowerHistory).
//
// Payloads of WM_ANALYSER_RESULT (wParam = code):
//   12: const float, the 1-second MPX power in dBr.
//   7:  const std::vector<float>, the history of 60-second values, newest first.
class CMPXPowerTavik : public CWorkerThread {
public:
    static constexpr int kBlocksPerOutput = 10;
    static constexpr int kBlocksPerMinute = 600;

    CMPXPowerTavik();
    ~CMPXPowerTavik() override;

    bool SetReference(float reference);
    float GetReference() const { return m_fReference; }
    // Waits up to 1000 ms for a running pass, then empties the block powers and the history.
    void ClearBuffer();

    // Mean square in double precision, summed in groups of four.
    static double MeanSquare(const float* x, int n);
    // 10·log10(2·m / reference²): the dBr value of mean square m.
    static float ToDbr(double meanSquare, float reference);

    // The newest-first history as the last pass left it (read when no pass runs).
    std::vector<float> GetHistory() const;

protected:
    void Pass() override;

private:
    double BlockPower(int age) const;  // age 0 = newest
    void PushBlockPower(double power);

    int m_nBlockSize = 20000;
    float m_fReference = kMpxReferenceAmplitude;
    int m_nBlockCounter = 0;
    int m_nHistorySize = 3600;
    // Block powers, newest first, as a ring: at most 600 kept after an output, plus the blocks
    // of one output period in between.
    std::array<double, kBlocksPerMinute + kBlocksPerOutput> m_blockPowers{};
    int m_nBlockPowersNewest = 0;
    int m_nBlockPowersCount = 0;
    // 60-second values in dBr, a ring read newest first.
    std::array<float, 3600> m_history{};
    int m_nHistoryNewest = 0;
    int m_nHistoryCount = 0;
};

}  // namespace tavik
