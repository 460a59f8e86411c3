#pragma once

#include <array>

namespace tavik {

// The true peak of a real stream: the largest magnitude of its samples and of the points
// between them, found by interpolating kFactor times (a windowed-sinc low-pass of
// kTapsPerPhase taps per phase, flat to about 80 kHz at 200 kHz). A signal whose samples were
// limited can peak higher between them, as a receiver's analogue output would show.
// The points between two samples are known only kDelay samples later, so a call's peak covers
// the points from kDelay samples before its first sample to kDelay before its last (and all
// of its samples): each point counts in exactly one call. Allocates nothing.
class CTruePeakMeter {
public:
    static constexpr int kFactor = 8;
    static constexpr int kTapsPerPhase = 16;
    static constexpr int kDelay = kTapsPerPhase / 2;
    static constexpr float kGate = 0.45f;

    CTruePeakMeter();
    void Reset();
    // The peak of `count` samples, in their unit.
    float Process(const float* x, int count);

private:
    static constexpr int kChunk = 256;
    // Per tap (reversed, so that a point is a dot product with the history) the kFactor
    // phases side by side: one sample's points are one pass of vector lanes.
    std::array<std::array<float, kFactor>, kTapsPerPhase> m_taps{};
    // The last kTapsPerPhase - 1 samples, then a chunk of input.
    std::array<float, kTapsPerPhase - 1 + kChunk> m_window{};
    // Before the first sample the stream is taken to have held it: a step from silence would
    // ring above the signal.
    bool m_bStarted = false;
};

}  // namespace tavik
