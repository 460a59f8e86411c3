#include "dsp/FmReceiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/FmModulator.h"
#include "tests/dsp/RoundTrip.h"
#include "tools/StereoEncoder.h"

namespace tavik {
namespace {

using test::kBlock;
using test::kStation;
using test::Received;
using test::RoundTrip;
using test::Tone;

// A tone's deviation comes back in ADC units (6000 = 19 kHz) and the carrier's level in dBuV,
// at every rate and wherever the station lies in the band; 200000 MPX samples per second.
TEST(FmReceiver, ToneAndLevelComeBackAtEveryRateAndOffset) {
    struct Case {
        double rate;
        double offset;
    };
    const Case cases[] = {
        {1200000, 0}, {1200000, 250000}, {2400000, -800000}, {2048000, 300000}, {400000, 0}};
    for (const Case& c : cases) {
        const Received r = RoundTrip(Tone(1000.0, 57.0, 4 * kBlock), 65.0, c.rate, c.offset);
        ASSERT_GE(r.mpx.size(), 4u * kBlock - 2) << c.rate;
        ASSERT_LE(r.mpx.size(), 4u * kBlock) << c.rate;
        // After the filters have settled.
        const auto settled = r.mpx.begin() + kBlock;
        const float peak = *std::max_element(settled, r.mpx.end());
        const float trough = *std::min_element(settled, r.mpx.end());
        EXPECT_NEAR(peak, 18000.0f, 30.0f) << c.rate << " " << c.offset;
        EXPECT_NEAR(trough, -18000.0f, 30.0f) << c.rate << " " << c.offset;
        const auto [lo, hi] = std::minmax_element(r.level.begin() + kBlock, r.level.end());
        EXPECT_NEAR(*lo, 65.0f, 0.05f) << c.rate << " " << c.offset;
        EXPECT_NEAR(*hi, 65.0f, 0.05f) << c.rate << " " << c.offset;
    }
}

// The MPX stays flat where pilot, stereo and RDS lie: the discriminator's sin(x)/x fall
// (3 % at 57 kHz) is corrected.
TEST(FmReceiver, MpxIsFlatTo60kHz) {
    for (const double hertz : {1000.0, 19000.0, 38000.0, 57000.0, 60000.0}) {
        const Received r = RoundTrip(Tone(hertz, 3.0, 2 * kBlock), 65.0, 1200000, 100000);
        // The tone's amplitude over the settled second block (a whole number of periods).
        std::complex<double> sum = 0.0;
        for (int n = kBlock; n < 2 * kBlock; ++n) {
            sum += static_cast<double>(r.mpx[static_cast<std::size_t>(n)]) *
                   std::polar(1.0, -2.0 * std::numbers::pi * hertz * n / 200000.0);
        }
        EXPECT_NEAR(2.0 * std::abs(sum) / kBlock, 947.4, 2.0) << hertz;
    }
}

// The RDS bits as the receiver's chip gives them: the data bits, differentially decoded, from
// a biphase subcarrier beside a full-deviation programme tone.
TEST(FmReceiver, RdsBitsAreTheDataBits) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(2400);
    for (std::uint8_t& bit : data) {
        bit = static_cast<std::uint8_t>(random() & 1u);
    }
    const int samples = 16 * kBlock;  // 1.6 s, 1900 bits
    CStereoEncoder encoder(2131.0f, 947.0f, true, data);
    const std::vector<float> left = Tone(1000.0, 60.0, samples);
    const std::vector<float> right = Tone(400.0, 30.0, samples);
    std::vector<float> mpx(left.size());
    encoder.Process(left.data(), right.data(), samples, mpx.data());
    const Received r = RoundTrip(mpx, 60.0, 1200000, 200000);
    ASSERT_GT(r.bits.size(), 1850u);
    ASSERT_LT(r.bits.size(), 1910u);
    // Received bit k is sent bit k + shift (the filters' delay); compare once locked.
    const int skip = 200;
    const int length = 1500;
    int best = 0;
    int fewest = length;
    for (int shift = -30; shift <= 30; ++shift) {
        int errors = 0;
        for (int k = skip; k < skip + length; ++k) {
            errors +=
                r.bits[static_cast<std::size_t>(k)] != data[static_cast<std::size_t>(k + shift)];
        }
        if (errors < fewest) {
            fewest = errors;
            best = shift;
        }
    }
    EXPECT_EQ(fewest, 0u) << "best alignment " << best;
}

// The receiver's arithmetic, pinned: MPX, level, RDS bits, the C/N meter's sums and the input
// counts for a fixed input, fed in uneven chunks with corrections between them, hash to fixed
// values (liquid-dsp 1.5, glibc's libm, IEEE float without fused multiply-add): those of the
// receiver cut into stages, with the tuner renormalised by the stream rather than by the call.
// A change of any stage's arithmetic shows here; when it is intended, the failure gives the
// new value.
TEST(FmReceiver, OutputsOfAFixedInputArePinned) {
#if defined(__FMA__) || defined(__ARM_FEATURE_FMA)
    GTEST_SKIP() << "fused multiply-add rounds differently";
#endif
    struct Case {
        double rate;  // a whole-number decimation and a rational resampler
        std::uint64_t hash;
    };
    const Case cases[] = {{1200000, 0xa5e43bfa74f63599u}, {2048000, 0xef9a40d6d1a3a745u}};
    for (const Case& c : cases) {
        CFmReceiver receiver({c.rate, kStation - 200000, kStation, 90.0});
        std::mt19937 random(1);  // its numbers are the same everywhere; the float made exactly
        const auto uniform = [&random] {
            return static_cast<float>(static_cast<int>(random() >> 8) - (1 << 23)) * 0x1p-24f;
        };
        std::vector<std::complex<float>> iq(static_cast<std::size_t>(c.rate / 2));
        for (std::complex<float>& x : iq) {
            const float i = uniform();
            x = {i, uniform()};
        }
        for (std::size_t n = 0; n < iq.size(); n += 997) {
            iq[n] = 1.0f;  // at the converter's limit
        }
        std::vector<float> mpx(
            static_cast<std::size_t>(receiver.MaxOutput(CFmReceiver::kMaxInput)));
        std::vector<float> level(mpx.size());
        std::vector<std::uint8_t> bits(
            static_cast<std::size_t>(receiver.MaxRdsBits(CFmReceiver::kMaxInput)));
        std::uint64_t hash = 14695981039346656037u;  // FNV-1a
        const auto add = [&hash](const void* data, std::size_t bytes) {
            for (std::size_t i = 0; i < bytes; ++i) {
                hash = (hash ^ static_cast<const std::uint8_t*>(data)[i]) * 1099511628211u;
            }
        };
        for (std::size_t start = 0; start < iq.size();) {
            const int count =
                static_cast<int>(std::min<std::size_t>(random() % 50000, iq.size() - start));
            if (random() % 4 == 0) {
                receiver.SetCorrection(static_cast<double>(random() % 20001) - 10000.0);
            }
            int bitCount = 0;
            const int m = receiver.Process(iq.data() + start, count, mpx.data(), level.data(),
                                           bits.data(), bitCount);
            add(mpx.data(), sizeof(float) * static_cast<std::size_t>(m));
            add(level.data(), sizeof(float) * static_cast<std::size_t>(m));
            add(bits.data(), static_cast<std::size_t>(bitCount));
            start += static_cast<std::size_t>(count);
        }
        double power = 0.0;
        long evaluations = 0;
        receiver.NoiseMeter().TakeInto(power, evaluations);
        const CFmReceiver::SInputCounts counts = receiver.TakeInputCounts();
        add(&power, sizeof power);
        add(&evaluations, sizeof evaluations);
        add(&counts, sizeof counts);
        EXPECT_EQ(hash, c.hash) << c.rate << ": 0x" << std::hex << hash;
    }
}

TEST(FmReceiver, RefusesWhatItCannotReceive) {
    struct Case {
        CFmReceiverSettings settings;
        const char* message;
    };
    const Case cases[] = {
        {{300000, kStation, kStation, 100.0},
         "the IQ sample rate of 300000 Hz is below the 400000 Hz an FM channel needs"},
        {{1200000, 106.0e6, kStation, 100.0},
         "the station at 106.700 MHz lies outside the band the IQ covers (105.400 to 106.600 "
         "MHz)"},
        // 140 kHz of channel either side must fit: 460 kHz off at 1.2 MS/s does, 461 not.
        {{1200000, kStation - 461000, kStation, 100.0},
         "the station at 106.700 MHz lies outside the band the IQ covers (105.639 to 106.839 "
         "MHz)"},
        {{1234567, kStation, kStation, 100.0},
         "the IQ sample rate of 1234567 Hz cannot be resampled to 400000 Hz (use a rate "
         "such as 1200000, 2048000 or 2400000)"},
    };
    for (const Case& c : cases) {
        try {
            CFmReceiver receiver(c.settings);
            ADD_FAILURE() << "accepted " << c.message;
        } catch (const CDspError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_NO_THROW(CFmReceiver({1200000, kStation - 460000, kStation, 100.0}));
}

}  // namespace
}  // namespace tavik
