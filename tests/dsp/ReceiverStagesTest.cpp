// The receiver's stages with answers known in closed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/CarrierOffset.h"
#include "dsp/CarrierToNoiseMeter.h"
#include "dsp/FmReceiver.h"
#include "dsp/TruePeakMeter.h"
#include "tests/dsp/RoundTrip.h"

namespace tavik {
namespace {

// A sampled sine peaks between its samples; the meter finds the peak of the sine. At the
// Nyquist-near frequencies of a multiplex the samples alone miss up to 29 %.
TEST(TruePeakMeter, FindsThePeakBetweenTheSamples) {
    struct Case {
        double hertz;
        double phase;   // of the first sample
        float samples;  // the samples' own peak
    };
    const Case cases[] = {
        {50000.0, std::numbers::pi / 4, 0.7071f},  // samples at +-45 degrees of each crest
        {40000.0, 0.3, 0.0f},
        {19000.0, 0.1, 0.0f},
        {66666.7, 0.5, 0.0f},
    };
    for (const Case& c : cases) {
        std::vector<float> x(4000);
        float samplePeak = 0.0f;
        for (std::size_t n = 0; n < x.size(); ++n) {
            x[n] = static_cast<float>(std::sin(
                2.0 * std::numbers::pi * c.hertz * static_cast<double>(n) / 200000.0 + c.phase));
            samplePeak = std::max(samplePeak, std::fabs(x[n]));
        }
        if (c.samples > 0.0f) {
            EXPECT_NEAR(samplePeak, c.samples, 1e-3f);
        }
        CTruePeakMeter meter;
        meter.Process(x.data(), 1000);  // the filter fills
        EXPECT_NEAR(meter.Process(x.data() + 1000, 3000), 1.0f, 0.006f) << c.hertz;
    }
}

// The peak of a stream does not depend on how it is cut: each point counts once. A constant
// reads as itself (every phase passes 0 Hz at unity).
TEST(TruePeakMeter, AnyCutGivesTheSamePeakAndAConstantReadsItself) {
    std::vector<float> x(5000, 0.0f);
    x[2500] = 1.0f;  // a click rings between the samples
    CTruePeakMeter whole;
    const float once = whole.Process(x.data(), 5000);
    CTruePeakMeter cut;
    float pieces = 0.0f;
    for (int start = 0, size = 1; start < 5000; start += size, size = size * 3 % 997 + 1) {
        pieces = std::max(pieces, cut.Process(x.data() + start, std::min(size, 5000 - start)));
    }
    EXPECT_EQ(once, pieces);
    EXPECT_GE(once, 1.0f);
    const std::vector<float> constant(600, -1234.0f);
    CTruePeakMeter meter;
    meter.Process(constant.data(), 100);
    EXPECT_NEAR(meter.Process(constant.data(), 500), 1234.0f, 0.01f);
}

// The first second's mean is the first estimate; each later second moves it a quarter of the
// way; a retuning shifts it and starts the second afresh.
TEST(CarrierOffset, LocksOnTheFirstSecondThenFollowsAQuarterASecond) {
    CCarrierOffset offset;
    const std::vector<float> second(CCarrierOffset::kSecond, 1000.0f);
    offset.Add(second.data(), CCarrierOffset::kSecond - 1);
    EXPECT_FALSE(offset.Locked());
    EXPECT_EQ(offset.Estimate(), 0.0);
    offset.Add(second.data(), 1);
    EXPECT_TRUE(offset.Locked());
    EXPECT_DOUBLE_EQ(offset.Estimate(), 1000.0);
    const std::vector<float> next(CCarrierOffset::kSecond, 2000.0f);
    offset.Add(next.data(), CCarrierOffset::kSecond);
    EXPECT_DOUBLE_EQ(offset.Estimate(), 1250.0);
    offset.Add(next.data(), 1000);
    offset.Shift(1250.0);  // the 1000 samples before are of the old tuning
    EXPECT_DOUBLE_EQ(offset.Estimate(), 0.0);
    const std::vector<float> retuned(CCarrierOffset::kSecond, 750.0f);
    offset.Add(retuned.data(), CCarrierOffset::kSecond);
    EXPECT_DOUBLE_EQ(offset.Estimate(), 187.5);

    CCarrierOffset shortCapture;
    shortCapture.Lock();
    EXPECT_FALSE(shortCapture.Locked());  // nothing to lock on
    shortCapture.Add(second.data(), 10);
    shortCapture.Lock();
    EXPECT_TRUE(shortCapture.Locked());
    EXPECT_DOUBLE_EQ(shortCapture.Estimate(), 1000.0);
}

// A carrier turning a fixed fraction of a turn per IQ sample is a known frequency: the
// discriminator gives it as a constant MPX (3.1667 Hz per unit) at every rate.
TEST(FmReceiver, AFixedTurnPerSampleIsAKnownFrequency) {
    struct Case {
        double rate;
        double turn;  // per sample
    };
    const Case cases[] = {
        {400000, 0.25}, {400000, -1.0 / 16}, {1200000, 1.0 / 64}, {2048000, 1.0 / 40}};
    for (const Case& c : cases) {
        CFmReceiver receiver({c.rate, test::kStation, test::kStation, 100.0});
        const int count = static_cast<int>(c.rate / 10);
        std::vector<std::complex<float>> iq(static_cast<std::size_t>(count));
        for (int n = 0; n < count; ++n) {
            iq[static_cast<std::size_t>(n)] = std::polar(
                0.5f, static_cast<float>(2.0 * std::numbers::pi * std::fmod(c.turn * n, 1.0)));
        }
        std::vector<float> mpx(static_cast<std::size_t>(receiver.MaxOutput(count)));
        std::vector<float> level(mpx.size());
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(receiver.MaxRdsBits(count)));
        int bitCount = 0;
        const int m =
            receiver.Process(iq.data(), count, mpx.data(), level.data(), bits.data(), bitCount);
        const double units = c.turn * c.rate / CFmReceiver::kHertzPerUnit;
        EXPECT_NEAR(mpx[static_cast<std::size_t>(m - 1)], units, std::fabs(units) * 1e-4)
            << c.rate << " " << c.turn;
        EXPECT_NEAR(level[static_cast<std::size_t>(m - 1)], 100.0 - 6.02, 0.01);
    }
}

// White noise beside a carrier reads as its C/N in 200 kHz, from noise alone about 0 dB; and
// the samples at the converter's limits are counted.
TEST(FmReceiver, MeasuresTheCarrierToNoiseRatioAndCountsTheConvertersLimits) {
    const std::vector<float> programme = test::Tone(1000.0, 50.0, 10 * test::kBlock);
    for (const double cn : {20.0, 30.0, 40.0}) {
        const auto iq = test::StationIq(programme, 85.0, 1200000, 250000, cn);
        CFmReceiver receiver({1200000, test::kStation - 250000, test::kStation, 100.0});
        std::vector<float> mpx(static_cast<std::size_t>(receiver.MaxOutput(24000)));
        std::vector<float> level(mpx.size());
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(receiver.MaxRdsBits(24000)));
        double sum = 0.0;
        long count = 0;
        for (std::size_t start = 0; start + 24000 <= iq.size(); start += 24000) {
            int bitCount = 0;
            receiver.Process(iq.data() + start, 24000, mpx.data(), level.data(), bits.data(),
                             bitCount);
            if (start > 0) {
                receiver.NoiseMeter().TakeInto(sum, count);
            } else {
                double skipped = 0.0;
                long none = 0;
                receiver.NoiseMeter().TakeInto(skipped, none);  // while the filters fill
            }
        }
        const float reading = CCarrierToNoiseMeter::CarrierToNoise(
            receiver.NoiseMeter().ZeroDbPower(), sum / static_cast<double>(count));
        EXPECT_NEAR(reading, cn, 1.0) << cn;
        EXPECT_EQ(receiver.TakeInputCounts().nAtLimit, 0);
    }
}

}  // namespace
}  // namespace tavik
