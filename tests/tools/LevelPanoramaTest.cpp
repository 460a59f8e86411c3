#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <vector>

#include "device/TavikControl.h"
#include "document/GenericException.h"
#include "platform/Pacer.h"
#include "tests/support/TempFolder.h"
#include "tools/GeneratorOptions.h"
#include "tools/LevelSynth.h"
#include "tools/MpxSynth.h"
#include "tools/PanoramaSynth.h"
#include "tools/RdsScheduler.h"

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

TEST(LevelSynth, AmplitudeFollowsTheCouplingOfTheDeviation) {
    CGeneratorOptions options;
    options.fFading = 0.0;
    options.fLevelNoise = 0.0;
    options.multipath = {1e-7, -2e-5, 4e-3};
    CLevelSynth synth(options);
    // 0, +19, -19 and +57 kHz of deviation.
    const std::vector<std::int16_t> mpx = {0, 6000, -6000, 18000};
    std::vector<std::int16_t> level(mpx.size());
    synth.NextBlock(mpx.data(), level.data(), static_cast<int>(mpx.size()));
    for (std::size_t i = 0; i < mpx.size(); ++i) {
        const double f = mpx[i] * 19.0 / 6000.0;
        const double a = 1.0 + 4e-3 * f - 2e-5 * f * f + 1e-7 * f * f * f;
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

// Least-squares fit of the linear amplitude against the deviation, a = z0 f^3 + z1 f^2 + z2 f
// + z3, over the 2000 samples from `first` (normal equations in double precision).
std::array<double, 3> FitCoupling(const std::vector<std::int16_t>& mpx,
                                  const std::vector<std::int16_t>& level, std::size_t first) {
    double m[4][5] = {};
    for (std::size_t i = first; i < first + 2000; ++i) {
        const double f = mpx[i] * 19.0 / 6000.0;
        const double row[4] = {f * f * f, f * f, f, 1.0};
        const double a = std::pow(10.0, CLevelSynth::AdcToLevel(level[i]) / 20.0);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                m[r][c] += row[r] * row[c];
            }
            m[r][4] += row[r] * a;
        }
    }
    for (int p = 0; p < 4; ++p) {
        for (int r = p + 1; r < 4; ++r) {
            const double k = m[r][p] / m[p][p];
            for (int c = p; c < 5; ++c) {
                m[r][c] -= k * m[p][c];
            }
        }
    }
    double z[4];
    for (int r = 3; r >= 0; --r) {
        z[r] = m[r][4];
        for (int c = r + 1; c < 4; ++c) {
            z[r] -= m[r][c] * z[c];
        }
        z[r] /= m[r][r];
    }
    return {z[0] / z[3], z[1] / z[3], z[2] / z[3]};
}

TEST(LevelSynth, CouplingIsFoundAgainByAFitOfTheGeneratedPair) {
    CGeneratorOptions options;
    options.fLevelNoise = 0.0;
    options.fFading = 0.0;
    options.multipath = {2e-7, -3e-5, 5e-3};
    CMpxSynth mpxSynth(options, CRdsScheduler::TransmittedBits(options, 2400));
    CLevelSynth levelSynth(options);
    std::vector<std::int16_t> mpx(20000), level(20000);
    mpxSynth.NextBlock(mpx.data(), 20000);
    levelSynth.NextBlock(mpx.data(), level.data(), 20000);
    const auto exact = FitCoupling(mpx, level, 8000);
    EXPECT_NEAR(exact[0], 2e-7, 2e-9);
    EXPECT_NEAR(exact[1], -3e-5, 3e-7);
    EXPECT_NEAR(exact[2], 5e-3, 5e-5);

    // With the default noise and fading the linear term still stands out.
    const CGeneratorOptions defaults;
    CLevelSynth noisy(defaults);
    noisy.NextBlock(mpx.data(), level.data(), 20000);
    EXPECT_NEAR(FitCoupling(mpx, level, 8000)[2], 2.5e-3, 2.5e-4);
}

// Writes the band scan and reads it back through the receiver's panorama playback.
class PanoramaPlayback : public ::testing::Test {
protected:
    float Read(float megahertz) {
        m_device.SetTunerFrequency(megahertz);
        float out[32];
        m_device.GetPanoramaData(out);
        return out[0];
    }
    void Write(const CGeneratorOptions& options) {
        const std::vector<std::int16_t> readings = CPanoramaSynth::Build(options);
        ASSERT_EQ(readings.size(), 821u);
        m_folder.Write("panormama.dat", test::Samples16(readings));
        m_device.SetDataFolder(m_folder.Path());
        m_device.SetPacers(nullptr, nullptr, &m_pace);
        m_pace.Step(1000);
        m_device.SetSOF(false);
    }
    void TearDown() override { m_device.SetSOF(true); }

    test::CTempFolder m_folder;
    CSteppedPacer m_pace;
    CTavikControl m_device;
};

TEST_F(PanoramaPlayback, StationReadsItsLevelAtItsFrequency) {
    const CGeneratorOptions options;
    Write(options);
    EXPECT_NEAR(Read(106.7f), 65.0f, kAdcStep);
    EXPECT_NEAR(Read(97.4f), 72.0f, kAdcStep);
    // 100 kHz off a station its level is 12 dB down; far from all it is the noise floor.
    EXPECT_NEAR(Read(106.6f), 53.0f, kAdcStep);
    EXPECT_NEAR(Read(106.8f), 53.0f, kAdcStep);
    EXPECT_NEAR(Read(105.6f), 28.0f, 6.0f);
    EXPECT_LT(Read(105.6f), 40.0f);
    // The last reading is 108.0 MHz; one step further is beyond the file.
    Read(108.0f);
    EXPECT_THROW(Read(108.025f), CTavikControlException);
}

TEST_F(PanoramaPlayback, StationFollowsItsOptions) {
    CGeneratorOptions options;
    options.fLevel = 80.25;
    options.fFrequency = 88.0;
    options.stations.clear();
    Write(options);
    EXPECT_NEAR(Read(88.0f), 80.25f, kAdcStep);
    EXPECT_LT(Read(106.7f), 40.0f) << "nothing left at the default frequency";
}

}  // namespace
}  // namespace tavik
