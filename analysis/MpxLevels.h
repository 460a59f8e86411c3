#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "dsp/StereoDecoder.h"
#include "dsp/TruePeakMeter.h"
#include "platform/MpxReadings.h"
#include "platform/SampleBlock.h"
#include "platform/WorkerThread.h"

namespace tavik {

class CRdsPower;

// Hears the decoded programme: left and right at CStereoDecoder::kAudioRate in the MPX samples'
// units (CMpxLevels::FullScale() is full modulation), called on the thread of the pass.
class IProgrammeListener {
public:
    virtual ~IProgrammeListener() = default;
    virtual void OnProgramme(const float* left, const float* right, int count) = 0;
};

// The readings every MPX meter shows, from the MPX blocks (200000 samples/s, ADC units with
// kMpxReferenceAmplitude = 19 kHz of deviation), posted once per second of signal (every 10
// blocks) as EResultCode::MpxReadings:
//   pilot: peak deviation and frequency error from the stereo decoder's phase-locked loop;
//          "no pilot" below kNoPilotKhz;
//   RDS:   the power in 57 +- 2.4 kHz (Hann-windowed FFT of each block) less the noise under it,
//          as the peak deviation of the subcarrier: a biphase-shaped BPSK subcarrier of peak A
//          has the power A^2 / 4, so A = 2 sqrt(power); "no RDS" below kNoRdsKhz;
//   audio: the decoded L, R, M and S peaks (CMpxReadings gives the reference), the balance and
//          the silence state.
//
// Threads: PostData on the distribution thread; the pass on the worker thread; the settings
// from any thread (they apply from the next block); ClearBuffer on the user-interface thread
// while no blocks are handed over.
class CMpxLevels : public CWorkerThread {
public:
    static constexpr int kBlocksPerOutput = 10;
    static constexpr float kNoPilotKhz = 0.5f;
    static constexpr float kNoRdsKhz = 0.5f;
    static constexpr float kFullModulationKhz = 75.0f;

    CMpxLevels();
    ~CMpxLevels() override;

    // De-emphasis time constant in microseconds: 50 (Europe) or 75 (Americas); others refused.
    bool SetDeemphasis(int microseconds);
    int GetDeemphasis() const { return m_nDeemphasis.load(); }
    // Silence: M below `thresholdDb` (dB of full modulation) for `seconds` seconds (1 to 3600).
    bool SetSilence(float thresholdDb, int seconds);
    // Sets or (nullptr) removes the programme's listener; returns once no call into the former
    // listener runs, so the caller may then destroy it. A listener in the window must not block.
    void SetProgrammeListener(IProgrammeListener* listener);
    // The channel amplitude of full modulation, in the MPX samples' units.
    static float FullScale();

    // Waits up to 1000 ms for a running pass, then restarts the readings, the peak hold and the
    // silence count. Throws CMPXPowerTavikException (nothing cleared) when the pass does not end.
    void ClearBuffer();

    // One pass over a block without posting; returns true and fills `readings` when the block
    // completed a second. Tests and batch analysis call it directly.
    bool AnalyseBlock(const float* data, int count, CMpxReadings& readings);

protected:
    void Pass() override;

private:
    void Restart();
    void Finish(CMpxReadings& readings);

    std::atomic<int> m_nDeemphasis{50};
    std::atomic<float> m_fSilenceDb{-40.0f};
    std::atomic<int> m_nSilenceSeconds{10};
    std::mutex m_listenerLock;
    IProgrammeListener* m_pListener = nullptr;  // guarded by m_listenerLock
    std::atomic<bool> m_bRestart{false};        // the de-emphasis changed: rebuild the decoder
    int m_nDecoderDeemphasis = 50;

    std::unique_ptr<CStereoDecoder> m_pDecoder;
    std::unique_ptr<CRdsPower> m_pRds;
    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<float> m_mid;   // (L + R) / 2
    std::vector<float> m_side;  // (L - R) / 2
    // True peaks (8 times interpolated): at 50000 samples/s the samples alone miss up to
    // 3 dB of a 15 kHz tone's peak.
    std::array<CTruePeakMeter, 4> m_meters;  // L, R, M, S
    int m_nBlocks = 0;
    float m_fPeakLeft = 0.0f;  // this second's peaks, ADC units
    float m_fPeakRight = 0.0f;
    float m_fPeakMono = 0.0f;
    float m_fPeakStereo = 0.0f;
    CMpxReadings m_hold;  // the hold fields and the silence count carried between seconds
};

}  // namespace tavik
