// The spectrum and MPX power analysers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "analysis/MPXPowerTavik.h"
#include "analysis/SpectrumAnalyser.h"
#include "platform/GenericException.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/support/PassGate.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using Spectrum = CSpectrumAnalyser::Spectrum;

struct SpectrumFixture : ::testing::Test {
    SpectrumFixture() {
        analyser.SetNotifyWindow(&window);
        analyser.SetSynchronous(true);
    }
    // One pass; returns the (current, peak hold) payloads in posting order 2 then 10.
    std::pair<Spectrum, Spectrum> Run(const std::vector<float>& block) {
        analyser.PostData(block.data(), static_cast<int>(block.size()));
        CMessage current;
        CMessage peak;
        EXPECT_TRUE(window.Queue().PeekMessage(current, 0, 0, true));
        EXPECT_TRUE(window.Queue().PeekMessage(peak, 0, 0, true));
        EXPECT_EQ(current.wParam, 2u);
        EXPECT_EQ(peak.wParam, 10u);
        return {*current.result.Get<EResultCode::Spectrum>(),
                *peak.result.Get<EResultCode::PeakHold>()};
    }

    CQueueTarget window;
    CSpectrumAnalyser analyser;
};

std::vector<float> BinSine(double amplitude, int bin) {
    std::vector<float> block(20000);
    for (std::size_t n = 0; n < block.size(); ++n) {
        block[n] = static_cast<float>(
            amplitude * std::cos(2.0 * std::numbers::pi * bin * static_cast<double>(n) / 2048.0));
    }
    return block;
}

TEST_F(SpectrumFixture, BinSineAndDcAgainstTheirExactLevels) {
    const auto [current, peak] = Run(BinSine(6000.0, 40));  // 40 × 97.65625 Hz = 3.90625 kHz
    EXPECT_NEAR(current[40], 20.0 * std::log10(1024.0 * 6000.0 / 16216500.0), 0.001);
    EXPECT_LT(current[39], -100.0f);
    EXPECT_EQ(peak, current);  // the first pass replaces the peak hold

    const auto dc = Run(std::vector<float>(20000, -300.0f)).first;
    EXPECT_NEAR(dc[0], 20.0 * std::log10(2048.0 * 300.0 / 16216500.0), 0.001);

    const auto silent = Run(std::vector<float>(20000, 0.0f)).first;
    for (float v : silent) {
        EXPECT_TRUE(std::isinf(v) && v < 0);
    }
}

TEST_F(SpectrumFixture, PeakHoldKeepsMaximaUntilCleared) {
    const auto loud = Run(BinSine(6000.0, 100)).first;
    const auto [quiet, held] = Run(BinSine(600.0, 100));
    EXPECT_NEAR(held[100], loud[100], 1e-6);
    EXPECT_LT(quiet[100], loud[100] - 19.0f);

    analyser.ClearPeakHold();
    const auto [next, replaced] = Run(BinSine(600.0, 100));
    EXPECT_EQ(replaced, next);
}

TEST(SpectrumWindow, BartlettAndBlackmanWeights) {
    std::vector<float> w(2048);
    CSpectrumAnalyser::FillWindow(CSpectrumAnalyser::WINDOW_BARTLETT, w.data());
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_FLOAT_EQ(w[1], 2.0f / 2047.0f);
    EXPECT_FLOAT_EQ(w[1023], 2046.0f / 2047.0f);  // the peak, never 1
    EXPECT_EQ(w[1024], w[1023]);
    EXPECT_EQ(w[2047], 0.0f);
    EXPECT_EQ(w[2046], w[1]);
    EXPECT_LT(*std::max_element(w.begin(), w.end()), 1.0f);

    CSpectrumAnalyser::FillWindow(CSpectrumAnalyser::WINDOW_BLACKMAN, w.data());
    const std::pair<int, double> blackman[] = {{0, 0.0},         {1, 8.479457e-7}, {500, 0.3221789},
                                               {1023, 0.999999}, {1024, 0.999999}, {2047, 0.0}};
    for (const auto& [n, weight] : blackman) {
        EXPECT_NEAR(w[static_cast<std::size_t>(n)], weight, 1e-7) << n;
    }

    CSpectrumAnalyser::FillWindow(CSpectrumAnalyser::WINDOW_NONE, w.data());
    EXPECT_EQ(w[0], 1.0f);
}

TEST_F(SpectrumFixture, WindowAppliesToTheTransform) {
    analyser.SetWindow(CSpectrumAnalyser::WINDOW_BARTLETT);
    const auto dc = Run(std::vector<float>(20000, 1000.0f)).first;
    // Sum of the Bartlett weights: 2 × Σ_{n<1024} 2n/2047 = 2 × 1023 × 1024 / 2047.
    const double sum = 2.0 * 1023.0 * 1024.0 / 2047.0;
    EXPECT_NEAR(dc[0], 20.0 * std::log10(1000.0 * sum / 16216500.0), 0.001);
}

std::vector<float> Sine(float amplitude, double hertz) {
    std::vector<float> block(20000);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hertz *
                                                           static_cast<double>(i) / 200000.0));
    }
    return block;
}

// Runs passes synchronously and collects the posted values by code.
struct PowerFixture : ::testing::Test {
    PowerFixture() {
        power.SetNotifyWindow(&window);
        power.SetSynchronous(true);
    }
    void Feed(const std::vector<float>& block, int count) {
        for (int i = 0; i < count; ++i) {
            power.PostData(block.data(), static_cast<int>(block.size()));
        }
        CMessage msg;
        while (window.Queue().PeekMessage(msg, 0, 0, true)) {
            ASSERT_EQ(msg.message, WM_ANALYSER_RESULT);
            if (const float* power = msg.result.Get<EResultCode::Power1s>()) {
                oneSecond.push_back(*power);
            } else if (const auto* values = msg.result.Get<EResultCode::PowerHistory>()) {
                history = *values;
                ++historyPosts;
            }
        }
    }

    CQueueTarget window;
    CMPXPowerTavik power;
    std::vector<float> oneSecond;
    std::vector<float> history;
    int historyPosts = 0;
};

TEST_F(PowerFixture, SineAtTheReferenceIsZeroDbr) {
    // 1 kHz: exactly 10 periods per block, so the mean square is A²/2.
    Feed(Sine(6000.0f, 1000.0), 9);
    EXPECT_TRUE(oneSecond.empty());
    Feed(Sine(6000.0f, 1000.0), 1);
    ASSERT_EQ(oneSecond.size(), 1u);
    EXPECT_NEAR(oneSecond[0], 0.0f, 0.005f);

    Feed(Sine(3000.0f, 1000.0), 589);
    EXPECT_EQ(historyPosts, 0);  // 599 blocks
    Feed(Sine(3000.0f, 1000.0), 1);
    ASSERT_EQ(historyPosts, 1);  // block 600
    ASSERT_EQ(history.size(), 1u);
    // 10 blocks at 0 dBr and 590 at -6.02 dBr.
    const double expected = 10.0 * std::log10((10 * 1.0 + 590 * 0.25) / 600.0);
    EXPECT_NEAR(history[0], expected, 0.005);
    EXPECT_NEAR(oneSecond.back(), -6.02f, 0.005f);

    Feed(Sine(3000.0f, 1000.0), 600);
    EXPECT_NEAR(history[0], -6.02f, 0.005f);
    EXPECT_EQ(history.size(), 61u);
}

TEST_F(PowerFixture, HistoryHoldsOneHourNewestFirst) {
    const auto quiet = Sine(3000.0f, 1000.0);
    const auto loud = Sine(6000.0f, 1000.0);
    Feed(quiet, 36600 - 600);  // one hour and one minute of blocks in all
    Feed(loud, 600);
    EXPECT_EQ(history.size(), 3600u);
    EXPECT_EQ(power.GetHistory().size(), 3600u);
    EXPECT_NEAR(history.front(), 0.0f, 0.005f);   // the last minute was loud
    EXPECT_NEAR(history.back(), -6.02f, 0.005f);  // an hour ago it was quiet
}

TEST_F(PowerFixture, SilenceAndClearing) {
    const std::vector<float> silent(20000, 0.0f);
    Feed(silent, 10);
    ASSERT_EQ(oneSecond.size(), 1u);
    EXPECT_TRUE(std::isinf(oneSecond[0]) && oneSecond[0] < 0);  // passed on unchanged

    Feed(Sine(6000.0f, 1000.0), 5);
    power.ClearBuffer();
    Feed(Sine(6000.0f, 1000.0), 9);  // the count starts again after a clear
    EXPECT_EQ(oneSecond.size(), 1u);
    Feed(Sine(6000.0f, 1000.0), 1);
    EXPECT_EQ(oneSecond.size(), 2u);
    EXPECT_TRUE(power.GetHistory().empty());
}

TEST(MPXPower, ReferenceAndMeanSquare) {
    CMPXPowerTavik power;
    EXPECT_TRUE(power.SetReference(32767.0f));
    EXPECT_FALSE(power.SetReference(32768.0f));
    EXPECT_EQ(power.GetReference(), 0.0f);
    EXPECT_FALSE(power.SetReference(0.0f));
    const float x[7] = {1, 2, 3, 4, 5, 6, 7};  // the tail after groups of four counts too
    EXPECT_DOUBLE_EQ(CMPXPowerTavik::MeanSquare(x, 7), 140.0 / 7.0);
    EXPECT_FLOAT_EQ(CMPXPowerTavik::ToDbr(6000.0 * 6000.0 / 2.0, 6000.0f), 0.0f);
}

TEST(MPXPower, ClearBufferTimesOutWhileAPassHangs) {
    // A pass held past the wait makes the clear fail with the reset error's text.
    const std::vector<float> block(20000, 1.0f);  // outlives the held pass
    test::CGated<CMPXPowerTavik> stuck;
    stuck.gate.Hold();
    stuck.PostData(block.data(), 20000);
    while (stuck.passes.load() == 0) {
        std::this_thread::yield();  // the pass has begun: the clear must wait for it
    }
    EXPECT_EQ(test::Thrown<CMPXPowerTavikException>([&] { stuck.ClearBuffer(); }),
              "ClearBuffer: Wait timed out!\n");
}

}  // namespace
}  // namespace tavik
