#include "dsp/ProgrammeResampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace tavik {
namespace {

constexpr float kFull = 23684.0f;

// One second of a left-only tone through the resampler in uneven cuts: the frames written, and
// the left peak (dB of full scale) and right peak (units) after the filter has settled.
struct CToneOut {
    int frames = 0;
    double leftDb = 0.0;
    int rightPeak = 0;
};

CToneOut LeftTone(double hz, double db) {
    constexpr int kCount = CProgrammeResampler::kInputRate;
    std::vector<float> left(kCount);
    const std::vector<float> right(kCount, 0.0f);
    const double amplitude = kFull * std::pow(10.0, db / 20.0);
    for (int i = 0; i < kCount; ++i) {
        left[static_cast<std::size_t>(i)] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i /
                                                    CProgrammeResampler::kInputRate));
    }
    CProgrammeResampler resampler(kFull);
    std::vector<std::int16_t> pcm(
        static_cast<std::size_t>(2 * CProgrammeResampler::MaxFrames(kCount)));
    CToneOut out;
    for (int at = 0, cut = 1; at < kCount; at += cut, cut = cut % 997 + 131) {
        const int n = std::min(cut, kCount - at);
        const int frames =
            resampler.Process(left.data() + at, right.data() + at, n, pcm.data() + 2 * out.frames);
        EXPECT_LE(frames, CProgrammeResampler::MaxFrames(n));
        out.frames += frames;
    }
    int leftPeak = 0;
    for (int k = 4800; k < out.frames; ++k) {
        leftPeak = std::max(leftPeak, std::abs(int{pcm[static_cast<std::size_t>(2 * k)]}));
        out.rightPeak =
            std::max(out.rightPeak, std::abs(int{pcm[static_cast<std::size_t>(2 * k + 1)]}));
    }
    out.leftDb = 20.0 * std::log10(leftPeak / 32767.0);
    return out;
}

// 48000 frames for each second whatever the cuts; flat to 15 kHz; the channels stay apart; a
// level above full modulation clips instead of wrapping round.
TEST(ProgrammeResampler, LevelsAcrossTheProgrammeBandAndClipping) {
    const struct {
        double hz, db, expectDb;
    } cases[] = {
        {1000.0, -10.0, -10.0}, {10000.0, -3.0, -3.0}, {15000.0, -20.0, -20.0}, {440.0, 6.0, 0.0}};
    for (const auto& c : cases) {
        const CToneOut out = LeftTone(c.hz, c.db);
        EXPECT_EQ(out.frames, CProgrammeResampler::kOutputRate) << c.hz;
        EXPECT_NEAR(out.leftDb, c.expectDb, 0.1) << c.hz;
        EXPECT_EQ(out.rightPeak, 0) << c.hz;
    }
}

}  // namespace
}  // namespace tavik
