// The signals the generator writes: the multiplex, the level and the band scan.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "device/PlaybackCalibration.h"
#include "device/TavikControl.h"
#include "tools/GeneratorOptions.h"
#include "tools/LevelSynth.h"
#include "tools/MpxSynth.h"
#include "tools/PanoramaSynth.h"
#include "tools/RdsScheduler.h"
#include "tools/StereoEncoder.h"

namespace tavik {
namespace {

constexpr double kKilohertzPerUnit = 19.0 / 6000.0;

std::vector<std::int16_t> Generate(const CGeneratorOptions& options, int blocks,
                                   const std::vector<std::uint8_t>& bits) {
    CMpxSynth synth(options, bits);
    std::vector<std::int16_t> mpx(static_cast<std::size_t>(blocks) * 20000);
    for (int b = 0; b < blocks; ++b) {
        synth.NextBlock(mpx.data() + static_cast<std::ptrdiff_t>(b) * 20000, 20000);
    }
    return mpx;
}

double PeakKilohertz(const std::vector<std::int16_t>& mpx) {
    int peak = 0;
    for (std::int16_t x : mpx) {
        peak = std::max(peak, std::abs(static_cast<int>(x)));
    }
    return peak * kKilohertzPerUnit;
}

// Amplitude in kHz of the component at `hz`, by correlation over whole periods.
double ComponentKilohertz(const std::vector<std::int16_t>& mpx, double hz) {
    double re = 0.0, im = 0.0;
    for (std::size_t n = 0; n < mpx.size(); ++n) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / 200000.0;
        re += mpx[n] * std::cos(phase);
        im += mpx[n] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(mpx.size()) * kKilohertzPerUnit;
}

CGeneratorOptions ToneOnly(double hz, double kilohertz) {
    CGeneratorOptions options;
    options.fToneFrequency = hz;
    options.fToneDeviation = kilohertz;
    options.fPilotDeviation = 0.0;
    options.fRdsDeviation = 0.0;
    return options;
}

TEST(MpxSynth, ToneDeviationIsTheOptionsDeviation) {
    for (double kilohertz : {19.0, 40.0, 75.0}) {
        const auto mpx = Generate(ToneOnly(1000.0, kilohertz), 2, {});
        // Within rounding to whole ADC units (half a unit is 1.6 Hz of deviation).
        EXPECT_NEAR(PeakKilohertz(mpx), kilohertz, 0.002) << kilohertz;
        EXPECT_NEAR(ComponentKilohertz(mpx, 1000.0), kilohertz, 0.002);
    }
    // 6000 ADC units are 19 kHz.
    const auto mpx = Generate(ToneOnly(1000.0, 19.0), 1, {});
    EXPECT_EQ(mpx[50], 6000);  // a quarter period of 1 kHz: the sine's crest
}

TEST(MpxSynth, PilotAndRdsHaveTheirDeviations) {
    CGeneratorOptions options = ToneOnly(1000.0, 0.0);
    options.fPilotDeviation = 6.75;
    const auto pilot = Generate(options, 1, {});
    EXPECT_NEAR(ComponentKilohertz(pilot, 19000.0), 6.75, 0.002);
    EXPECT_NEAR(PeakKilohertz(pilot), 6.75, 0.002);
    options.bMono = true;
    EXPECT_EQ(PeakKilohertz(Generate(options, 1, {})), 0.0) << "mono has no pilot";

    options = ToneOnly(1000.0, 0.0);
    options.fRdsDeviation = 3.0;
    const auto bits = CRdsScheduler::TransmittedBits(options, 3000);
    const auto rds = Generate(options, 10, bits);
    // The shaped symbols overlap, so the peaks stray a little from the nominal deviation, which
    // the subcarrier's power defines (A^2 / 4).
    EXPECT_NEAR(PeakKilohertz(rds), 3.0, 0.1);
    // All of it around 57 kHz: nothing at the pilot or in the programme band.
    EXPECT_LT(ComponentKilohertz(rds, 19000.0), 0.01);
    EXPECT_LT(ComponentKilohertz(rds, 1000.0), 0.01);
}

TEST(MpxSynth, DifferenceSignalRidesOn38kHzLockedToThePilot) {
    // A 1 kHz tone of 6000 units in the left channel only: L+R and L-R are each 3000.
    CStereoEncoder encoder(2131.58f, 0.0f, true, {});
    std::vector<float> left(200000), right(200000, 0.0f), mpx(200000);
    for (std::size_t n = 0; n < left.size(); ++n) {
        left[n] = 6000.0f * static_cast<float>(std::sin(2e-2 * std::numbers::pi * n));
    }
    encoder.Process(left.data(), right.data(), 100000, mpx.data());  // in two calls
    encoder.Process(left.data() + 100000, right.data() + 100000, 100000, mpx.data() + 100000);
    double sum = 0.0, difference = 0.0, pilotSine = 0.0, pilotCosine = 0.0;
    for (std::size_t n = 0; n < mpx.size(); ++n) {
        const double theta = 2.0 * std::numbers::pi * 19000.0 * static_cast<double>(n) / 200000.0;
        const double tone = std::sin(2e-2 * std::numbers::pi * static_cast<double>(n));
        sum += mpx[n] * tone;
        difference += mpx[n] * 2.0 * std::sin(2.0 * theta) * tone;
        pilotSine += mpx[n] * std::sin(theta);
        pilotCosine += mpx[n] * std::cos(theta);
    }
    const double scale = 2.0 / static_cast<double>(mpx.size());
    EXPECT_NEAR(sum * scale, 3000.0, 0.5);
    // Demodulated with the pilot's doubled phase, L-R comes back whole: the carrier is locked.
    EXPECT_NEAR(difference * scale, 3000.0, 0.5);
    EXPECT_NEAR(pilotSine * scale, 2131.58, 0.5);
    EXPECT_NEAR(pilotCosine * scale, 0.0, 0.5);
    // Mono drops L-R and the pilot.
    CStereoEncoder mono(2131.58f, 0.0f, false, {});
    mono.Process(left.data(), right.data(), 1000, mpx.data());
    for (std::size_t n = 0; n < 1000; ++n) {
        ASSERT_FLOAT_EQ(mpx[n], 0.5f * left[n]);
    }
}

TEST(MpxSynth, MultiplexCarriesTheRdsBitsOfTheStream) {
    // Default station with programme: demodulate 57 kHz coherently (third harmonic of the
    // pilot), integrate each bit's biphase symbol, undo the differential coding.
    const CGeneratorOptions options;
    const auto bits = CRdsScheduler::TransmittedBits(options, 2400);
    const auto mpx = Generate(options, 10, bits);  // 1 s: 1187 bits
    std::vector<double> symbols(1187, 0.0);
    for (std::size_t n = 0; n < mpx.size(); ++n) {
        const auto scaled = static_cast<std::int64_t>(n) * 19;
        const auto bit = static_cast<std::size_t>(scaled / 3200);
        if (bit >= symbols.size()) {
            break;
        }
        const double theta = 2.0 * std::numbers::pi * 19000.0 * static_cast<double>(n) / 200000.0;
        const double pulse =
            std::sin(2.0 * std::numbers::pi * static_cast<double>(scaled % 3200) / 3200.0);
        symbols[bit] += mpx[n] * std::sin(3.0 * theta) * pulse;
    }
    int previous = 0;
    int errors = 0;
    for (std::size_t k = 0; k < symbols.size(); ++k) {
        const int coded = symbols[k] > 0.0 ? 1 : 0;
        errors += (coded ^ previous) != bits[k] ? 1 : 0;
        previous = coded;
    }
    EXPECT_EQ(errors, 0);
}

TEST(MpxSynth, ProgrammeMeetsPeakAndPowerTargets) {
    CGeneratorOptions options;
    options.fPeakDeviation = 70.0;
    options.fMpxPower = 1.0;
    options.fOvershoot = 4.0;
    CMpxSynth synth(options, CRdsScheduler::TransmittedBits(options, 12000));
    std::vector<std::int16_t> block(20000);
    double squares = 0.0;
    double peak = 0.0;
    for (int b = 0; b < 100; ++b) {  // 10 s
        synth.NextBlock(block.data(), 20000);
        for (std::int16_t x : block) {
            squares += static_cast<double>(x) * x;
            peak = std::max(peak, std::abs(x) * kKilohertzPerUnit);
        }
    }
    const double dbr = 10.0 * std::log10(2.0 * squares / 2e6 / (6000.0 * 6000.0));
    EXPECT_NEAR(dbr, 1.0, 0.3);
    EXPECT_NEAR(synth.PowerDbr(), dbr, 1e-9);
    EXPECT_NEAR(synth.PeakDeviation(), peak, 1e-9);
    // Limited at 70 kHz, overshoots at most 4 % of the programme's share.
    EXPECT_GT(peak, 66.0);
    EXPECT_LE(peak, 70.0 + 0.04 * (70.0 - 6.75 - 3.0) + 0.01);
}

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

// The band scan's reading at a frequency, in dBuV as the receiver scales it.
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
    // The station follows its options, and nothing is left at the default frequency.
    CGeneratorOptions options;
    options.fLevel = 80.25;
    options.fFrequency = 88.0;
    options.stations.clear();
    const auto moved = CPanoramaSynth::Build(options);
    EXPECT_NEAR(Reading(moved, 88.0), 80.25f, kAdcStep);
    EXPECT_LT(Reading(moved, 106.7), 40.0f);
}

}  // namespace
}  // namespace tavik
