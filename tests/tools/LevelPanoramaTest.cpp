#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "device/PlaybackCalibration.h"
#include "device/TavikControl.h"
#include "tools/GeneratorOptions.h"
#include "tools/LevelSynth.h"
#include "tools/PanoramaSynth.h"

namespace tavik {
namespace {

constexpr float kAdcStep = 0.0011444092f;  // dB

TEST(LevelSynth, LevelsSurviveTheReceiversScalingWithinOneStep) {
    for (double level = 22.5; level <= 97.49; level += 0.00071) {
        const std::int16_t raw = CLevelSynth::LevelToAdc(level);
        const float back = CTavikControl::ScaleLevel(static_cast<float>(raw));
        ASSERT_LE(std::fabs(back - level), kAdcStep) << level;
        ASSERT_EQ(back, CLevelSynth::AdcToLevel(raw));
    }
    EXPECT_EQ(CLevelSynth::LevelToAdc(22.5), -32767);
    EXPECT_EQ(CLevelSynth::LevelToAdc(97.498), 32767);
    EXPECT_EQ(CLevelSynth::LevelToAdc(10.0), -32768);  // below the range: clamped
    EXPECT_EQ(CLevelSynth::LevelToAdc(120.0), 32767);
}

TEST(LevelSynth, AmplitudeFollowsTheCouplingAndTheReceiversResponse) {
    CGeneratorOptions options;
    options.fFading = 0.0;
    options.fLevelNoise = 0.0;
    options.multipath = {1e-7, -2e-5, 4e-3};
    CLevelSynth synth(options);
    const std::array<float, 4> k = PlaybackCalibrationValues();  // the replayed receiver's
    // 0, +19, -19 and +57 kHz of deviation.
    const std::vector<std::int16_t> mpx = {0, 6000, -6000, 18000};
    std::vector<std::int16_t> level(mpx.size());
    synth.NextBlock(mpx.data(), level.data(), static_cast<int>(mpx.size()));
    for (std::size_t i = 0; i < mpx.size(); ++i) {
        const double f = mpx[i] * 19.0 / 6000.0;
        const double a =
            1.0 + (4e-3 + k[2]) * f + (-2e-5 + k[1]) * f * f + (1e-7 + k[0]) * f * f * f;
        const double expected = 65.0 + 20.0 * std::log10(a);
        EXPECT_NEAR(CTavikControl::ScaleLevel(level[i]), expected, kAdcStep) << f;
    }
}

TEST(LevelSynth, FadingStaysWithinItsDepthAndNoiseHasItsSpread) {
    CGeneratorOptions options;
    options.fFading = 3.0;
    options.fLevelNoise = 0.0;
    options.multipath = {0.0, 0.0, 0.0};
    CLevelSynth fading(options);
    std::vector<std::int16_t> mpx(20000, 0);
    std::vector<std::int16_t> level(20000);
    float lo = 100.0f, hi = 0.0f;
    for (int b = 0; b < 200; ++b) {  // 20 s: more than the slow period
        fading.NextBlock(mpx.data(), level.data(), 20000);
        for (std::int16_t r : level) {
            lo = std::min(lo, CLevelSynth::AdcToLevel(r));
            hi = std::max(hi, CLevelSynth::AdcToLevel(r));
        }
    }
    EXPECT_GE(lo, 62.0f - kAdcStep);
    EXPECT_LE(hi, 68.0f + kAdcStep);
    EXPECT_GT(hi - lo, 3.0f) << "the fading moves";

    options.fFading = 0.0;
    options.fLevelNoise = 0.5;
    CLevelSynth noisy(options);
    noisy.NextBlock(mpx.data(), level.data(), 20000);
    double sum = 0.0, squares = 0.0;
    for (std::int16_t r : level) {
        const double d = CLevelSynth::AdcToLevel(r) - 65.0;
        sum += d;
        squares += d * d;
    }
    EXPECT_NEAR(sum / 20000.0, 0.0, 0.02);
    EXPECT_NEAR(std::sqrt(squares / 20000.0), 0.5, 0.02);
}

// The band scan's reading at a frequency, in dBuV as the receiver scales it. How the receiver
// tunes through the file is the playback tests' subject, the whole path the scan command's.
float Reading(const std::vector<std::int16_t>& readings, double megahertz) {
    const auto index = std::lround((megahertz - CPanoramaSynth::kFirst) / CPanoramaSynth::kStep);
    return CTavikControl::ScaleLevel(readings.at(static_cast<std::size_t>(index)));
}

TEST(PanoramaSynth, StationReadsItsLevelAtItsFrequency) {
    const auto readings = CPanoramaSynth::Build(CGeneratorOptions());
    ASSERT_EQ(readings.size(), 821u);  // 87.5 ... 108.0 MHz
    EXPECT_NEAR(Reading(readings, 106.7), 65.0f, kAdcStep);
    EXPECT_NEAR(Reading(readings, 97.4), 72.0f, kAdcStep);
    // 100 kHz off a station its level is 12 dB down; far from all it is the noise floor.
    EXPECT_NEAR(Reading(readings, 106.6), 53.0f, kAdcStep);
    EXPECT_NEAR(Reading(readings, 106.8), 53.0f, kAdcStep);
    EXPECT_NEAR(Reading(readings, 105.6), 28.0f, 6.0f);
    EXPECT_LT(Reading(readings, 105.6), 40.0f);
}

TEST(PanoramaSynth, StationFollowsItsOptions) {
    CGeneratorOptions options;
    options.fLevel = 80.25;
    options.fFrequency = 88.0;
    options.stations.clear();
    const auto readings = CPanoramaSynth::Build(options);
    EXPECT_NEAR(Reading(readings, 88.0), 80.25f, kAdcStep);
    EXPECT_LT(Reading(readings, 106.7), 40.0f) << "nothing left at the default frequency";
}

}  // namespace
}  // namespace tavik
