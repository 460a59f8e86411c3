// The receiver's blocks: cut from any chunks alike, the carrier's offset taken off, true peaks,
// and how each block was received.
#include "device/ReceiverOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "tests/dsp/RoundTrip.h"
#include "tools/StereoEncoder.h"

namespace tavik {
namespace {

using test::kBlock;
using test::kStation;

constexpr double kRate = 1200000.0;
constexpr double kTuning = 250000.0;  // the station above the IQ's centre
constexpr double kUnitsPerKhz = 6000.0 / 19.0;

struct Blocks {
    std::vector<std::vector<float>> mpx;
    std::vector<std::vector<float>> level;
    std::vector<CReceivedFigures> received;
    std::vector<std::uint8_t> rds;
};

// Receives `iq` (at `rate`) in chunks of the sizes `chunk` gives, at most `most`, and takes
// every whole block.
template <class Chunk>
Blocks Receive(const std::vector<std::complex<float>>& iq, Chunk chunk, bool keepFirstSecond = true,
               double rate = kRate, int most = 24000) {
    CFmReceiver receiver({rate, kStation - kTuning, kStation, CFmReceiver::kDefaultFullScaleDbuv});
    CReceiverOutput output;
    output.Prepare(receiver, most, keepFirstSecond);
    Blocks blocks;
    std::vector<float> mpx(kBlock);
    std::vector<float> level(kBlock);
    std::uint8_t rds[CReceiverOutput::kRdsChunkBytes];
    for (std::size_t start = 0; start < iq.size();) {
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(chunk()), iq.size() - start);
        output.Receive(receiver, iq.data() + start, static_cast<int>(n));
        start += n;
        CReceivedFigures received;
        while (output.TakeBlock(mpx.data(), level.data(), &received)) {
            blocks.mpx.push_back(mpx);
            blocks.level.push_back(level);
            blocks.received.push_back(received);
        }
        while (output.TakeRdsChunk(rds)) {
            blocks.rds.insert(blocks.rds.end(), rds, rds + CReceiverOutput::kRdsChunkBytes);
        }
    }
    return blocks;
}

Blocks Receive(const std::vector<std::complex<float>>& iq, bool keepFirstSecond = true) {
    return Receive(
        iq, [] { return 24000; }, keepFirstSecond);
}

float PeakKhz(const Blocks& blocks, std::size_t from) {
    float peak = 0.0f;
    for (std::size_t b = from; b < blocks.received.size(); ++b) {
        peak = std::max(peak, blocks.received[b].figures.fPeak);
    }
    return static_cast<float>(peak / kUnitsPerKhz);
}

// The first block and sample where two receptions differ, and what; empty when they are equal.
// The C/N may differ by a little: it covers the IQ received by the time its block is taken.
std::string Difference(const Blocks& a, const Blocks& b) {
    if (a.mpx.size() != b.mpx.size()) {
        return std::to_string(a.mpx.size()) + " against " + std::to_string(b.mpx.size()) +
               " blocks";
    }
    for (std::size_t k = 0; k < a.mpx.size(); ++k) {
        const std::string block = "block " + std::to_string(k);
        for (std::size_t i = 0; i < a.mpx[k].size(); ++i) {
            if (a.mpx[k][i] != b.mpx[k][i] || a.level[k][i] != b.level[k][i]) {
                return block + " sample " + std::to_string(i) + ": " + std::to_string(a.mpx[k][i]) +
                       " against " + std::to_string(b.mpx[k][i]);
            }
        }
        const CReceivedFigures& x = a.received[k];
        const CReceivedFigures& y = b.received[k];
        if (x.figures.fPeak != y.figures.fPeak ||
            x.figures.fFirstHalfPeak != y.figures.fFirstHalfPeak ||
            x.figures.dSumOfSquares != y.figures.dSumOfSquares) {
            return block + ": its peaks";
        }
        const CReception& r = x.reception;
        const CReception& q = y.reception;
        if (r.fFrequencyError != q.fFrequencyError || r.bSignal != q.bSignal ||
            r.fOverload != q.fOverload || std::fabs(r.fCarrierToNoise - q.fCarrierToNoise) > 0.5f) {
            return block + ": its reception";
        }
    }
    return a.rds == b.rds ? "" : "the RDS bits";
}

// Odd, random and tiny chunk sizes give exactly the blocks of whole 100 ms chunks, at a rate
// of whole-number decimation and at one of the rational resampler: no sample is lost or doubled
// where a chunk ends (the odd 400 kHz sample, the resampler's group, the band-pass's stride,
// the settling time), the tuning phasor turns alike, and the RDS bits are the same.
TEST(ReceiverOutput, AnyChunkSizesGiveExactlyTheSameBlocks) {
    constexpr int kSamples = 20 * kBlock;
    std::vector<std::uint8_t> data(2500);
    std::mt19937 bits(11);
    for (std::uint8_t& bit : data) {
        bit = static_cast<std::uint8_t>(bits() & 1u);
    }
    CStereoEncoder encoder(2131.0f, 947.0f, true, data);
    const std::vector<float> left = test::Tone(1000.0, 60.0, kSamples);
    const std::vector<float> right = test::Tone(400.0, 30.0, kSamples);
    std::vector<float> mpx(kSamples);
    encoder.Process(left.data(), right.data(), kSamples, mpx.data());
    for (const double rate : {kRate, 2048000.0}) {
        const auto iq = test::StationIq(mpx, 70.0, rate, kTuning, 40.0);
        const int block = static_cast<int>(rate / 10.0);
        const Blocks whole = Receive(
            iq, [&] { return block; }, true, rate, block);
        ASSERT_GE(whole.mpx.size(), 18u) << rate;
        std::mt19937 random(3);
        const Blocks odd = Receive(
            iq, [&] { return static_cast<int>(random() % 30001) | 1; }, true, rate, 30001);
        EXPECT_EQ(Difference(whole, odd), "") << rate << ", odd chunks";
        const Blocks tiny = Receive(
            iq, [&] { return static_cast<int>(random() % 7) + 1; }, true, rate, 7);
        EXPECT_EQ(Difference(whole, tiny), "") << rate << ", chunks of 1 to 7";
    }
}

// A tuner 5 kHz off: the deviation reads the programme's, not programme plus offset, and the
// error is reported in Hz and ppm; 12 kHz off retunes the receiver. The first second is held
// back until the offset is known, so not one block carries it; a live stream drops it.
TEST(ReceiverOutput, TakesTheCarriersOffsetOffAndReportsIt) {
    const std::vector<float> programme = test::Tone(400.0, 72.4, 40 * kBlock);
    for (const double error : {5000.0, -5000.0, 12000.0, 0.0}) {
        const auto iq = test::StationIq(programme, 70.0, kRate, kTuning + error);
        const Blocks live = Receive(iq, false);
        EXPECT_EQ(live.received.size(), 29u) << error;  // 40 blocks less the first second's
        EXPECT_NEAR(PeakKhz(live, 0), 72.4f, 0.15f) << error;
        const Blocks blocks = Receive(iq);
        ASSERT_GE(blocks.received.size(), 39u) << error;
        EXPECT_NEAR(PeakKhz(blocks, 0), 72.4f, 0.15f) << error;
        const CReception& last = blocks.received.back().reception;
        EXPECT_NEAR(last.fFrequencyError, error, 60.0) << error;
        EXPECT_NEAR(last.fFrequencyErrorPpm, error / kStation * 1e6, 0.6) << error;
        EXPECT_TRUE(last.bSignal);
    }
}

// The modulating signal's peak between the MPX samples: a 50 kHz tone whose samples sit
// 45 degrees from its crests reads its amplitude, not the samples' 71 %.
TEST(ReceiverOutput, BlockPeaksAreTruePeaks) {
    const auto tone = test::Tone(50000.0, 40.0, 20 * kBlock, 3.14159265358979 / 4);
    const Blocks blocks = Receive(test::StationIq(tone, 70.0, kRate, kTuning, 50.0));
    ASSERT_FALSE(blocks.received.empty());
    EXPECT_NEAR(PeakKhz(blocks, 1), 40.0f, 0.6f);
    const CBlockFigures& f = blocks.received[3].figures;
    EXPECT_EQ(f.nCount, kBlock);
    EXPECT_LE(f.fFirstHalfPeak, f.fPeak);
    double sum = 0.0;
    for (const float x : blocks.mpx[3]) {
        sum += static_cast<double>(x) * x;
    }
    EXPECT_DOUBLE_EQ(f.dSumOfSquares, sum);
}

// C/N in the 200 kHz channel as planted; noise alone is no signal, and the converter's limits
// are counted as a share of the IQ samples.
TEST(ReceiverOutput, ReportsCarrierToNoiseNoSignalAndOverload) {
    const std::vector<float> programme = test::Tone(1000.0, 60.0, 20 * kBlock);
    for (const double cn : {20.0, 30.0, 40.0}) {
        const Blocks blocks = Receive(test::StationIq(programme, 70.0, kRate, kTuning, cn, 5));
        const CReception& r = blocks.received.back().reception;
        EXPECT_NEAR(r.fCarrierToNoise, cn, 1.0) << cn;
        EXPECT_TRUE(r.bSignal) << cn;
        EXPECT_EQ(r.LowCarrierToNoise(), cn < 30.0) << cn;
    }
    std::vector<std::complex<float>> noise(static_cast<std::size_t>(kRate * 2));
    std::mt19937 random(9);
    std::normal_distribution<float> gauss(0.0f, 0.05f);
    for (std::complex<float>& x : noise) {
        x = {gauss(random), gauss(random)};
    }
    noise[1000] = {1.0f, 0.0f};  // 3 samples at the converter's limits in the first block's
    noise[1001] = {0.0f, -1.0f};
    noise[2000] = {-1.0f, 0.5f};
    const Blocks empty = Receive(noise);
    ASSERT_GE(empty.received.size(), 15u);
    EXPECT_LT(empty.received[0].reception.fCarrierToNoise, 3.0f);
    EXPECT_FALSE(empty.received[0].reception.bSignal);
    // The first block reports all the IQ received before it: the held-back second and more; the
    // blocks of that IQ after it report the same, the first one of IQ received later none.
    const float first = empty.received[0].reception.fOverload;
    EXPECT_GT(first, 0.0f);
    std::size_t later = 1;
    while (later < empty.received.size() && empty.received[later].reception.fOverload == first) {
        ++later;
    }
    EXPECT_GE(later, 2u);
    EXPECT_LE(later, 12u);
    ASSERT_LT(later, empty.received.size());
    EXPECT_EQ(empty.received[later].reception.fOverload, 0.0f);
    for (std::size_t i = 0; i < noise.size(); i += 100) {
        noise[i] = {1.0f, 0.0f};  // 1 % at the limit
    }
    const Blocks clipped = Receive(noise);
    EXPECT_NEAR(clipped.received.back().reception.fOverload, 1.0f, 0.05f);
    EXPECT_TRUE(clipped.received.back().reception.Overloaded());
    // Read in one piece, every block of it has the piece's overload (a reader that lags).
    const Blocks whole = Receive(
        noise, [&noise] { return static_cast<int>(noise.size()); }, true, kRate,
        static_cast<int>(noise.size()));
    ASSERT_GE(whole.received.size(), 15u);
    for (const CReceivedFigures& block : whole.received) {
        EXPECT_NEAR(block.reception.fOverload, 1.0f, 0.05f);
    }
}

// A shared receiver counts its converter's limits on its own samples: the counts a station took
// with the samples before its restart (a band back in view) cover the blocks after it.
TEST(ReceiverOutput, ASharedReceiversCountsOutlastAStationsRestart) {
    const std::vector<std::complex<float>> iq =
        test::StationIq(test::Tone(1000.0, 60.0, 20 * kBlock), 70.0, kRate, kTuning, 40.0, 5);
    CFmReceiver receiver({kRate, kStation - kTuning, kStation, CFmReceiver::kDefaultFullScaleDbuv});
    CReceiverOutput output;
    output.Prepare(receiver, static_cast<int>(iq.size()), true);
    output.UseConverterCounts(100000, 1000);
    output.Restart(true);
    output.Receive(receiver, iq.data(), static_cast<int>(iq.size()));
    std::vector<float> mpx(kBlock);
    std::vector<float> level(kBlock);
    CReceivedFigures received;
    ASSERT_TRUE(output.TakeBlock(mpx.data(), level.data(), &received));
    EXPECT_FLOAT_EQ(received.reception.fOverload, 1.0f);
}

}  // namespace
}  // namespace tavik
