#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/SpectrumAnalyser.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"

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
    auto blackman = [](int n) {
        const double x = 2.0 * std::numbers::pi * n / 2047.0;
        return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
    };
    for (int n : {0, 1, 500, 1023, 1024, 2047}) {
        EXPECT_NEAR(w[static_cast<std::size_t>(n)], blackman(n), 1e-7) << n;
    }
    EXPECT_NEAR(w[0], 0.0, 1e-7);

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

}  // namespace
}  // namespace tavik
