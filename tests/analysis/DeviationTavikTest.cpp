#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/DeviationTavik.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"

namespace tavik {
namespace {

constexpr int N = GLOBAL_SAMPLE_BUFSIZE;

// A block of zeros with the given magnitude at one sample of each half (0: none).
std::vector<float> Block(float firstHalf, float secondHalf) {
    std::vector<float> block(N, 0.0f);
    block[1234] = -firstHalf;  // negative: the peak is taken of the magnitude
    block[N / 2 + 777] = secondHalf;
    return block;
}

// The non-zero entries of `values` as "index:value", a run of one value as "first-last:value",
// and their number.
template <class T>
std::string Bins(const std::vector<T>& values) {
    std::ostringstream out;
    for (std::size_t i = 0, j = 0; i < values.size(); i = ++j) {
        while (j + 1 < values.size() && values[j + 1] == values[i]) {
            ++j;
        }
        if (values[i] != 0) {
            out << i << (j > i ? "-" + std::to_string(j) : "") << ":" << values[i] << " ";
        }
    }
    out << "of " << values.size();
    return out.str();
}

struct DeviationFixture : ::testing::Test {
    DeviationFixture() { EXPECT_TRUE(deviation.SetReference(6000.0f)); }

    // Runs `blocks` passes of the same block; returns the result of the last.
    CDeviationTavik::SPassResult Run(const std::vector<float>& block, int blocks = 1) {
        CDeviationTavik::SPassResult result;
        for (int i = 0; i < blocks; ++i) {
            std::vector<float> copy = block;  // the pass may not rely on the caller's copy
            result = deviation.AnalyseBlock(copy.data(), static_cast<int>(copy.size()));
        }
        return result;
    }

    // Runs `blocks` passes of silence; the passes (from 1) that gave statistics and time signals.
    std::pair<std::vector<int>, std::vector<int>> Cadence(int blocks) {
        std::vector<int> statistics, timeSignals;
        for (int block = 1; block <= blocks; ++block) {
            const auto result = Run(Block(0, 0));
            EXPECT_TRUE(result.bAnalysed);
            if (result.bStatistics) {
                statistics.push_back(block);
            }
            if (result.bTimeSignal) {
                timeSignals.push_back(block);
            }
        }
        return {statistics, timeSignals};
    }

    CDeviationTavik deviation;
};

TEST_F(DeviationFixture, HalfBlockPeaksLandInTheirBins) {
    // Peak in the second half: (first-half peak, whole-block peak) = (4.75, 9.5) kHz.
    EXPECT_FLOAT_EQ(Run(Block(1500, 3000), 5).fBlockPeak, 9.5f);
    // Peak in the first half: the running peak carries over, both values are 9.5 kHz.
    EXPECT_FLOAT_EQ(Run(Block(3000, 1500), 4).fBlockPeak, 9.5f);
    // Silence: two counts in bin 0.
    const auto last = Run(Block(0, 0));
    EXPECT_EQ(last.fBlockPeak, 0.0f);
    ASSERT_TRUE(last.bStatistics);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "0:2 4:5 9:13 of 110");
    EXPECT_FLOAT_EQ(deviation.GetMaxDeviation(), 9.5f);
}

TEST_F(DeviationFixture, ReferenceAmplitudeIsNineteenKilohertzInBinNineteen) {
    const auto result = Run(Block(6000, 6000), 10);
    EXPECT_EQ(result.fBlockPeak, 19.0f);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "19:20 of 110");
    EXPECT_EQ(deviation.GetMaxDeviation(), 19.0f);
    // Full scale at the default reference: 32767 / 6000 * 19 = 103.76 kHz, bin 103.
    EXPECT_NEAR(Run(Block(32767, 0), 10).fBlockPeak, 103.76f, 0.005f);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "19:20 103:20 of 110");  // one histogram
}

TEST_F(DeviationFixture, StatisticsEveryTenthBlockTimeSignalEveryFifthFromTheFourth) {
    using Blocks = std::vector<int>;
    EXPECT_EQ(Cadence(20), std::make_pair(Blocks{10, 20}, Blocks{4, 9, 14, 19}));
}

TEST_F(DeviationFixture, TimeSignalIsPercentOfSeventyFiveKilohertz) {
    std::vector<float> block(N, 0.0f);
    block[0] = 4500.0f;  // 14.25 kHz = 19 %
    block[1] = -32768.0f;
    block[2] = 1.0f;
    block[N - 1] = 6000.0f;
    Run(block, 3);
    EXPECT_TRUE(Run(block).bTimeSignal);
    int count = 0;
    const float* scaled = deviation.GetScaledBlock(count);
    ASSERT_EQ(count, N);
    EXPECT_EQ(scaled[0], 19.0f);
    const float reference = 6000.0f;
    EXPECT_EQ(scaled[1], -32768.0f / reference * 19.0f * 100.0f / 75.0f);
    EXPECT_EQ(scaled[2], 1.0f / reference * 19.0f * 100.0f / 75.0f);
    EXPECT_EQ(scaled[3], 0.0f);
    EXPECT_FLOAT_EQ(scaled[N - 1], 25.333334f);
}

TEST_F(DeviationFixture, DistributionsMatchHandComputedValues) {
    // 5 blocks (0, 19 kHz) and 5 blocks (19, 19 kHz): bin 0 holds 5, bin 19 holds 15 of 20.
    Run(Block(0, 6000), 5);
    ASSERT_TRUE(Run(Block(6000, 6000), 5).bStatistics);
    EXPECT_EQ(Bins(deviation.GetRelative()), "0:25 19:75 of 110");
    // 75 % of the peaks are at or above k + 1 kHz for k up to 18.
    EXPECT_EQ(Bins(deviation.GetAccumulated()), "0-18:75 of 110");

    // The next second adds 20 peaks of 9.5 kHz (bin 9) to the same histogram: 5, 20, 15 of 40.
    ASSERT_TRUE(Run(Block(3000, 3000), 10).bStatistics);
    EXPECT_EQ(Bins(deviation.GetRelative()), "0:12.5 9:50 19:37.5 of 110");
    EXPECT_EQ(Bins(deviation.GetAccumulated()), "0-8:87.5 9-18:37.5 of 110");

    // Thirds are not exact in binary: relative in double, stored as float.
    CDeviationTavik thirds;
    thirds.SetReference(6000.0f);
    std::vector<float> one = Block(300, 300), two = Block(600, 600), three = Block(900, 900);
    for (int i = 0; i < 10; ++i) {
        const auto& block = i < 3 ? one : i < 6 ? two : three;
        thirds.AnalyseBlock(block.data(), N);  // 0.95, 1.9 and 2.85 kHz: bins 0, 1, 2
    }
    EXPECT_EQ(thirds.GetRelative()[0], static_cast<float>(6.0 / 20 * 100.0));
    EXPECT_EQ(thirds.GetRelative()[2], static_cast<float>(8.0 / 20 * 100.0));
    EXPECT_FLOAT_EQ(thirds.GetAccumulated()[0], 70.0f);
    EXPECT_FLOAT_EQ(thirds.GetAccumulated()[1], 40.0f);
}

TEST_F(DeviationFixture, PeakFilterRemovesTheLargestValues) {
    deviation.SetFilter(true);
    // All 20 values equal: every one is above 0.999 of the largest, so all are removed. The
    // histogram is still empty: the update is skipped instead of dividing by zero.
    EXPECT_FALSE(Run(Block(3000, 3000), 10).bStatistics);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "of 110");
    EXPECT_TRUE(deviation.GetRelative().empty());
    EXPECT_EQ(deviation.GetMaxDeviation(), 0.0f);

    // 9 blocks (4.75, 9.5) and one (4.75, 19): only the 19 kHz value is removed.
    Run(Block(1500, 3000), 9);
    ASSERT_TRUE(Run(Block(1500, 6000)).bStatistics);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "4:10 9:9 of 110");
    EXPECT_FLOAT_EQ(deviation.GetMaxDeviation(), 9.5f);

    // Silence is never above the threshold 0: the filter keeps all 20 zeros.
    Run(Block(0, 0), 10);
    EXPECT_EQ(Bins(deviation.GetHistogram()), "0:20 4:10 9:9 of 110");

    // Switching the filter restarts the maximum.
    deviation.SetFilter(false);
    EXPECT_EQ(deviation.GetMaxDeviation(), 0.0f);
    EXPECT_FALSE(deviation.GetFilter());
}

TEST_F(DeviationFixture, PeaksBeyondTheRangeCountInTheLastBin) {
    ASSERT_TRUE(deviation.SetReference(1000.0f));
    Run(Block(32000, 32000), 10);  // 608 kHz
    EXPECT_EQ(Bins(deviation.GetHistogram()), "109:20 of 110");
    EXPECT_FLOAT_EQ(deviation.GetMaxDeviation(), 608.0f);
    EXPECT_EQ(Bins(deviation.GetRelative()), "109:100 of 110");
}

TEST_F(DeviationFixture, ReferenceOutsideItsRangeStopsTheAnalysis) {
    EXPECT_FALSE(deviation.SetReference(0.0f));
    EXPECT_EQ(deviation.GetReference(), 0.0f);
    EXPECT_FALSE(Run(Block(1, 1)).bAnalysed);  // no infinite or undefined deviations
    EXPECT_FALSE(deviation.SetReference(32768.0f));
    EXPECT_FALSE(deviation.SetReference(-6000.0f));
    EXPECT_TRUE(deviation.SetReference(32767.5f));
    EXPECT_EQ(deviation.GetReference(), 32767.5f);
    EXPECT_TRUE(deviation.SetReference(6000.0f));
    // Nothing was counted while the reference was invalid: the first update is 10 blocks on.
    EXPECT_FALSE(Run(Block(1, 1), 9).bStatistics);
    EXPECT_TRUE(Run(Block(1, 1)).bStatistics);
    EXPECT_FALSE(deviation.AnalyseBlock(nullptr, N).bAnalysed);
    std::vector<float> empty(N);
    EXPECT_FALSE(deviation.AnalyseBlock(empty.data(), 0).bAnalysed);
}

TEST_F(DeviationFixture, ClearBufferRestartsCountersHistogramAndMaximum) {
    Run(Block(3000, 6000), 10);
    Run(Block(3000, 6000), 7);  // counters part-way
    const std::vector<float> relative = deviation.GetRelative();
    deviation.ClearBuffer();
    EXPECT_EQ(Bins(deviation.GetHistogram()), "of 110");
    EXPECT_EQ(deviation.GetMaxDeviation(), 0.0f);
    EXPECT_EQ(deviation.GetRelative(), relative);  // kept until the next update

    using Blocks = std::vector<int>;
    EXPECT_EQ(Cadence(10), std::make_pair(Blocks{10}, Blocks{4, 9}));
    EXPECT_EQ(Bins(deviation.GetHistogram()), "0:20 of 110");  // the 14 peaks before are gone
    EXPECT_EQ(Bins(deviation.GetRelative()), "0:100 of 110");
}

// Takes the next message, which must be a result of code C.
template <EResultCode C>
CAnalyserResult Take(CQueueTarget& window) {
    CMessage msg;
    EXPECT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
    EXPECT_EQ(msg.message, WM_ANALYSER_RESULT);
    EXPECT_EQ(msg.wParam, static_cast<std::uintptr_t>(C));
    EXPECT_EQ(msg.result.Code(), C);
    EXPECT_EQ(msg.lParam, 0);
    return msg.result;
}

TEST(DeviationTavik, PostsImmutableCopiesInOrder) {
    for (const bool synchronous : {true, false}) {
        SCOPED_TRACE(synchronous);
        CQueueTarget window;
        CDeviationTavik deviation;
        deviation.SetReference(6000.0f);
        deviation.SetNotifyWindow(&window);
        deviation.SetSynchronous(synchronous);
        std::vector<float> block = Block(3000, 6000);
        block[5] = 4500.0f;
        for (int i = 1; i <= 10; ++i) {
            deviation.PostData(block.data(), N);
            ASSERT_TRUE(deviation.WaitUntilIdle(std::chrono::seconds(10)));
            if (i == 4 || i == 9) {
                const auto signal =
                    Take<EResultCode::TimeSignal>(window).Share<EResultCode::TimeSignal>();
                ASSERT_EQ(signal->size(), static_cast<std::size_t>(N));
                EXPECT_EQ((*signal)[5], 19.0f);
                EXPECT_EQ(signal, deviation.GetTimeSignal());
            }
            if (i == 10) {
                const auto relative = Take<EResultCode::DeviationRelative>(window)
                                          .Share<EResultCode::DeviationRelative>();
                const auto accumulated = Take<EResultCode::DeviationAccumulated>(window)
                                             .Share<EResultCode::DeviationAccumulated>();
                const float maximum =
                    *Take<EResultCode::DeviationMax>(window).Get<EResultCode::DeviationMax>();
                ASSERT_EQ(relative->size(), 110u);
                EXPECT_EQ((*relative)[14], 50.0f);  // first halves: 14.25 kHz
                EXPECT_EQ((*relative)[19], 50.0f);
                EXPECT_EQ((*accumulated)[13], 100.0f);
                EXPECT_EQ((*accumulated)[14], 50.0f);
                EXPECT_EQ(maximum, 19.0f);
            }
            EXPECT_EQ(*Take<EResultCode::DeviationPeak>(window).Get<EResultCode::DeviationPeak>(),
                      19.0f);
        }
        EXPECT_EQ(window.Queue().Size(), 0u);
        // The source block was only read: the time signal is a copy.
        EXPECT_EQ(block[5], 4500.0f);
    }
}

}  // namespace
}  // namespace tavik
