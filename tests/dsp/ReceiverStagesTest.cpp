// The receiver's stages with answers known in closed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/CarrierOffset.h"
#include "dsp/CarrierToNoiseMeter.h"
#include "dsp/ChannelFilter.h"
#include "dsp/FirDecimator.h"
#include "dsp/FmDemodulator.h"
#include "dsp/FmReceiver.h"
#include "dsp/IqFormat.h"
#include "dsp/LiquidHandles.h"
#include "dsp/RfLevel.h"
#include "dsp/TruePeakMeter.h"
#include "dsp/Tuner.h"
#include "tests/dsp/RoundTrip.h"

// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

namespace tavik {
namespace {

// A carrier of magnitude 1 at `hertz`, at `rate` samples/s.
std::vector<std::complex<float>> Carrier(double hertz, double rate, int count) {
    std::vector<std::complex<float>> x(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        x[static_cast<std::size_t>(n)] = std::complex<float>(
            std::polar(1.0, 2.0 * std::numbers::pi * std::fmod(hertz * n / rate, 1.0)));
    }
    return x;
}

// The tuner moves a carrier by its frequency: fed in uneven chunks the output turns at the
// difference (the mean phase step) and keeps magnitude 1 throughout (without renormalising,
// the phasor of a tuning such as 98765.4 Hz drifts 1e-3 off in 100000 samples).
TEST(Tuner, ACarrierLandsAtTheDifferenceWithUnitMagnitude) {
    struct Case {
        double rate;
        double carrier;  // Hz
        double tuning;   // Hz moved to 0
    };
    const Case cases[] = {{1200000, 250000, 250000},
                          {2400000, -800000, -750000.3},
                          {2048000, 300000, 12345.6},
                          {400000, 0, 98765.4}};
    for (const Case& c : cases) {
        const int count = static_cast<int>(c.rate / 4);
        const auto in = Carrier(c.carrier, c.rate, count);
        std::vector<std::complex<float>> out(in.size());
        CTuner tuner;
        tuner.SetFrequency(c.tuning, c.rate);
        for (int start = 0, size = 1; start < count; start += size, size = size * 7 % 5003 + 1) {
            size = std::min(size, count - start);
            EXPECT_EQ(tuner.Process(in.data() + start, size, out.data() + start), size);
        }
        float worst = 0.0f;
        double turns = 0.0;  // the phase steps summed, in turns
        for (std::size_t n = 0; n < out.size(); ++n) {
            worst = std::max(worst, std::fabs(std::abs(out[n]) - 1.0f));
            if (n > 0) {
                turns += std::arg(std::complex<double>(out[n]) *
                                  std::conj(std::complex<double>(out[n - 1]))) /
                         (2.0 * std::numbers::pi);
            }
        }
        EXPECT_LT(worst, 1e-4f) << c.rate << " " << c.tuning;
        EXPECT_NEAR(turns / (count - 1) * c.rate, c.carrier - c.tuning, 0.05)
            << c.rate << " " << c.tuning;
        EXPECT_EQ(tuner.TakeInputCounts().nSamples, count);
    }
}

// A sample at the converter's limits is one whose I or Q reached the format's extreme: 0 or
// 255 of rtl_sdr's bytes, +-32767 of 16 bits, +-1 of floats; a 16-bit step short is not.
TEST(Tuner, CountsTheSamplesAtTheConvertersLimits) {
    struct Case {
        CIqFormat format;
        std::vector<std::uint8_t> bytes;  // one sample
        long long atLimit;
    };
    const Case cases[] = {
        {CIqFormat::Cu8, {255, 128}, 1},
        {CIqFormat::Cu8, {127, 0}, 1},
        {CIqFormat::Cu8, {254, 1}, 0},
        {CIqFormat::Ci16, {0x00, 0x00, 0xFF, 0x7F}, 1},                          // Q 32767
        {CIqFormat::Ci16, {0x00, 0x80, 0x00, 0x00}, 1},                          // I -32768
        {CIqFormat::Ci16, {0xFE, 0x7F, 0x02, 0x80}, 0},                          // 32766, -32766
        {CIqFormat::Cf32, {0x00, 0x00, 0x80, 0xBF, 0x00, 0x00, 0x00, 0x00}, 1},  // -1.0
        {CIqFormat::Cf32, {0x00, 0xFC, 0x7F, 0x3F, 0x00, 0x00, 0x00, 0x00}, 0},  // 32766 / 32768
    };
    CTuner tuner;
    tuner.SetFrequency(100000.0, 1200000.0);
    for (const Case& c : cases) {
        std::vector<std::complex<float>> in(3000);  // across a renormalisation
        ConvertIq(c.format, c.bytes.data(), 1, &in[2000]);
        std::vector<std::complex<float>> out(in.size());
        tuner.Process(in.data(), static_cast<int>(in.size()), out.data());
        const CTuner::SInputCounts counts = tuner.TakeInputCounts();
        EXPECT_EQ(counts.nSamples, 3000);
        EXPECT_EQ(counts.nAtLimit, c.atLimit) << IqDatatype(c.format) << " " << int{c.bytes[0]};
    }
}

// The output of a new stage fed `in` in chunks of the sizes given (cycled), as floats; with
// `reset`, the stream's first 5000 samples and a Reset() go first. `process(stage, in, count,
// out)` writes output of the input's type.
template <typename Make, typename Process, typename In>
std::vector<float> Feed(Make make, Process process, const std::vector<In>& in,
                        const std::vector<int>& chunks, bool reset) {
    auto stage = make();
    std::vector<In> out(in.size());
    if (reset) {
        process(*stage, in.data(), 5000, out.data());
        stage->Reset();
    }
    std::size_t produced = 0;
    for (std::size_t start = 0, k = 0; start < in.size(); ++k) {
        const int size = std::min(chunks[k % chunks.size()], static_cast<int>(in.size() - start));
        produced += static_cast<std::size_t>(
            process(*stage, in.data() + start, size, out.data() + produced));
        start += static_cast<std::size_t>(size);
    }
    const auto* floats = reinterpret_cast<const float*>(out.data());
    return {floats, floats + produced * sizeof(In) / sizeof(float)};
}

// Every stage after the tuner gives the same output however its input is cut (samples short
// of a whole group wait for the next call, none is lost or counted twice), and a Reset stage
// the output of a new one. The stream: 38400 samples of noise, a whole number of every
// stage's groups.
TEST(ReceiverStages, AnyCutOfTheStreamAndAResetGiveTheSameOutput) {
    static constexpr int kCount = 38400;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<std::complex<float>> iq(kCount);
    for (std::complex<float>& x : iq) {
        x = {noise(random), noise(random)};
    }
    std::vector<float> real(kCount);
    for (float& x : real) {
        x = noise(random) + 0.6f;  // positive, for the level's logarithm too
    }
    using Run = std::function<std::vector<float>(const std::vector<int>& chunks, bool reset)>;
    const auto stage = [](auto make, auto process, const auto& in) -> Run {
        return [make, process, &in](const std::vector<int>& chunks, bool reset) {
            return Feed(make, process, in, chunks, reset);
        };
    };
    const auto channel = [](double rate, unsigned interp, unsigned decim) {
        return [=] { return std::make_unique<CChannelFilter>(rate, interp, decim, kCount); };
    };
    const auto filter = [](auto& s, const auto* in, int n, auto* out) {
        return s.Process(in, n, out);
    };
    const auto halfTaps = RealDecimatorTaps(400000.0, 100000.0, 50000.0, true);
    struct Case {
        const char* name;
        Run run;
        std::size_t floats;  // of the whole stream's output
    };
    const Case cases[] = {
        {"channel filter, 1.2 MS/s by 3", stage(channel(1200000, 1, 3), filter, iq),
         2 * kCount / 3},
        {"channel filter, 2.048 MS/s by 25/128", stage(channel(2048000, 25, 128), filter, iq),
         2 * kCount / 128 * 25},
        {"channel filter, 1 MS/s by 2/5", stage(channel(1000000, 2, 5), filter, iq),
         2 * kCount / 5 * 2},
        {"channel at 400 kHz, delayed", stage(channel(400000, 1, 1), filter, iq), 2 * kCount},
        {"MPX or level decimator by 2",
         stage([&] { return std::make_unique<CRealDecimator>(halfTaps, 2, kCount); }, filter, real),
         kCount / 2},
        {"band filter, in place",
         stage([&] { return std::make_unique<CRealDecimator>(halfTaps, 1, kCount); },
               [](CRealDecimator& s, const float* in, int n, float* out) {
                   std::copy_n(in, n, out);
                   return s.Process(out, n, out);
               },
               real),
         kCount},
        {"discriminator and envelope",
         stage(
             [] { return std::make_unique<CFmDemodulator>(400000.0, 3.0); },
             [](CFmDemodulator& s, const std::complex<float>* in, int n, std::complex<float>* out) {
                 // Frequency and envelope side by side in the output's real and imaginary.
                 std::vector<float> f(static_cast<std::size_t>(n));
                 std::vector<float> e(f.size());
                 const int m = s.Process(in, n, f.data(), e.data());
                 for (int i = 0; i < m; ++i) {
                     out[i] = {f[static_cast<std::size_t>(i)], e[static_cast<std::size_t>(i)]};
                 }
                 return m;
             },
             iq),
         2 * kCount},
        {"RF level",
         stage([] { return std::make_unique<CRfLevel>(77.0, 13); },
               [](CRfLevel& s, const float* in, int n, float* out) {
                   std::copy_n(in, n, out);
                   return s.Process(out, n);
               },
               real),
         kCount},
    };
    std::vector<int> uneven(200);
    for (int& size : uneven) {
        size = static_cast<int>(random() % 3000);  // 0 included
    }
    for (const Case& c : cases) {
        const std::vector<float> whole = c.run({kCount}, false);
        EXPECT_EQ(whole.size(), c.floats) << c.name;
        EXPECT_EQ(c.run({1, 2, 3, 127, 1, 1000, 0, 5}, false), whole) << c.name;
        EXPECT_EQ(c.run(uneven, false), whole) << c.name;
        EXPECT_EQ(c.run({4097}, true), whole) << c.name;
    }
}

// The resampler computes what liquid's rresamp computes with the same prototype: the same
// outputs at the same times, to float rounding, for the channel from 2.048 and 1 MS/s and for
// RDS from 200 kHz to 19 kHz.
TEST(ComplexResampler, ResamplesAsLiquidDoes) {
    const struct {
        unsigned interp;
        unsigned decim;
        double rate;
        double cutoff;
        double transition;
    } cases[] = {{25, 128, 2048000, 200000, 120000},
                 {2, 5, 1000000, 200000, 120000},
                 {19, 200, 200000, 3200, 1600}};
    constexpr int kCount = 25600;  // whole groups of each
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<std::complex<float>> in(kCount);
    for (std::complex<float>& x : in) {
        x = {noise(random), noise(random)};
    }
    for (const auto& c : cases) {
        CComplexResampler ours(ResamplerTaps(c.interp, c.rate, c.cutoff, c.transition), c.interp,
                               c.decim, kCount);
        const CLiquidResampler theirs =
            MakeResampler(c.interp, c.decim, c.rate, c.cutoff, c.transition);
        const auto groups = static_cast<unsigned>(kCount) / c.decim;
        std::vector<std::complex<float>> a(groups * c.interp);
        std::vector<std::complex<float>> b(a.size());
        ASSERT_EQ(ours.Process(in.data(), kCount, a.data()), static_cast<int>(a.size()));
        rresamp_crcf_execute_block(theirs.get(), in.data(), groups, b.data());
        float worst = 0.0f;
        float peak = 0.0f;
        for (std::size_t i = 0; i < a.size(); ++i) {
            worst = std::max(worst, std::abs(a[i] - b[i]));
            peak = std::max(peak, std::abs(b[i]));
        }
        EXPECT_LT(worst, 1e-5f * peak) << c.interp << "/" << c.decim;
    }
}

// The discriminator's arc tangent against the library's, all round the circle and at the axes
// and the origin: within 1e-5 rad, 0.6 Hz of frequency at 400 kHz.
TEST(FmDemodulator, ArcTangentWithinTenMicroradians) {
    double worst = 0.0;
    for (int k = 0; k < 100000; ++k) {
        const double angle = -std::numbers::pi + 2.0 * std::numbers::pi * (k + 0.5) / 100000.0;
        for (const double radius : {1e-6, 0.3, 1.0}) {
            const auto y = static_cast<float>(radius * std::sin(angle));
            const auto x = static_cast<float>(radius * std::cos(angle));
            worst =
                std::max(worst, double{std::fabs(CFmDemodulator::Atan2(y, x) - std::atan2(y, x))});
        }
    }
    EXPECT_LT(worst, 1e-5);
    const float pi = std::numbers::pi_v<float>;
    const std::pair<std::pair<float, float>, float> axes[] = {
        {{0.0f, 0.0f}, 0.0f},          {{0.0f, 1.0f}, 0.0f}, {{1.0f, 0.0f}, pi / 2},
        {{-1.0f, 0.0f}, -pi / 2},      {{0.0f, -1.0f}, pi},  {{1.0f, 1.0f}, pi / 4},
        {{-1.0f, -1.0f}, -3 * pi / 4},
    };
    for (const auto& [yx, expected] : axes) {
        EXPECT_NEAR(CFmDemodulator::Atan2(yx.first, yx.second), expected, 1e-5)
            << yx.first << "," << yx.second;
    }
}

// The level is 20 log10 of the envelope plus the full scale's dBuV, from nothing at most
// 180 dB below full scale, and comes exactly `delay` samples late (zeros before), also when a
// call brings fewer samples than the delay.
TEST(RfLevel, DecibelsDelayedByExactlyTheDelay) {
    const std::vector<float> envelope = {1.0f, 0.1f, 0.0f, 2.0f, 0.5f, 1e-3f, 1.0f, 0.25f};
    const std::vector<float> dbfs = {0.0f,     -20.0f, -180.0f, 6.0206f,
                                     -6.0206f, -60.0f, 0.0f,    -12.0412f};
    for (const int delay : {0, 1, 3, 13}) {
        CRfLevel level(77.0, delay);
        std::vector<float> x;
        for (int round = 0; round < 4; ++round) {
            x.insert(x.end(), envelope.begin(), envelope.end());
        }
        level.Process(x.data(), 5);
        level.Process(x.data() + 5, static_cast<int>(x.size()) - 5);
        for (std::size_t n = 0; n < x.size(); ++n) {
            const float expected = n < static_cast<std::size_t>(delay)
                                       ? 0.0f
                                       : 77.0f + dbfs[(n - static_cast<std::size_t>(delay)) % 8];
            EXPECT_NEAR(x[n], expected, 1e-3f) << delay << " " << n;
        }
    }
    // The logarithm against libm's from the floor up, every 0.001 dB: within 1e-4 dB; below
    // the floor, negative values included, the floor.
    double worst = 0.0;
    for (double v = 1e-9; v < 4.0; v *= 1.0001) {
        const auto x = static_cast<float>(v);
        worst = std::max(worst, std::fabs(CRfLevel::Decibels(x) - 20.0 * std::log10(double{x})));
    }
    EXPECT_LT(worst, 1e-4);
    for (const float below : {0.0f, -0.5f, 1e-12f}) {
        EXPECT_EQ(CRfLevel::Decibels(below), CRfLevel::Decibels(1e-9f)) << below;
    }
}

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

// White noise beside a carrier reads as its C/N in 200 kHz.
TEST(FmReceiver, MeasuresTheCarrierToNoiseRatio) {
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
    }
}

}  // namespace
}  // namespace tavik
