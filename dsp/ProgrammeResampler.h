#pragma once

#include <array>
#include <cstdint>
#include <memory>

struct rresamp_rrrf_s;

namespace tavik {

// The decoded stereo programme (left and right at 50000 samples/s, in the MPX samples' units)
// resampled to 48000 samples/s and turned into interleaved signed 16-bit PCM for listening:
// 0 dBFS is full modulation (`fullScale` units), louder peaks are clipped. The resampler takes
// 25 inputs for 24 outputs (a Kaiser low-pass flat to 15 kHz); samples may come in any cut and are
// carried over between calls. No allocation after construction.
class CProgrammeResampler {
public:
    static constexpr int kInputRate = 50000;
    static constexpr int kOutputRate = 48000;
    static constexpr int kInterp = 24;
    static constexpr int kDecim = 25;

    explicit CProgrammeResampler(float fullScale);
    ~CProgrammeResampler();
    CProgrammeResampler(const CProgrammeResampler&) = delete;
    CProgrammeResampler& operator=(const CProgrammeResampler&) = delete;

    void Reset();
    // The most frames one Process call of `count` samples writes.
    static int MaxFrames(int count) { return (count + kDecim) / kDecim * kInterp; }
    // Resamples `count` samples of each channel; writes frames (left, right) to `pcm` and
    // returns how many.
    int Process(const float* left, const float* right, int count, std::int16_t* pcm);

private:
    struct CDestroy {
        void operator()(rresamp_rrrf_s* q) const;
    };
    using CHandle = std::unique_ptr<rresamp_rrrf_s, CDestroy>;

    void EmitGroup(std::int16_t* pcm);

    float m_fGain;
    CHandle m_pLeft;
    CHandle m_pRight;
    std::array<float, kDecim> m_groupLeft{};
    std::array<float, kDecim> m_groupRight{};
    std::array<float, kInterp> m_outLeft{};
    std::array<float, kInterp> m_outRight{};
    int m_nWaiting = 0;  // samples of the group begun
};

}  // namespace tavik
