#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/MultipathTavik.h"
#include "dsp/FmModulator.h"
#include "dsp/FmReceiver.h"
#include "platform/MessageQueue.h"
#include "tests/dsp/RoundTrip.h"

namespace tavik {
namespace {

constexpr double kRate = 1200000.0;
using test::kBlock;

struct Echo {
    double delayUs;
    double relativeDb;
    double centreMhz;  // the capture's centre; the station is at 106.7 MHz
};

// 0.4 s of a three-tone programme peaking at 75 kHz through the two-ray channel and the
// receiver; the fourth 100 ms block, with the filters long settled.
std::vector<float> ReceiveBlock(const Echo& echo, std::vector<float>& level) {
    std::vector<float> mpx(4 * kBlock);
    for (std::size_t n = 0; n < mpx.size(); ++n) {
        const double w = 2.0 * std::numbers::pi * static_cast<double>(n) / CFmModulator::kMpxRate;
        mpx[n] =
            static_cast<float>((0.45 * std::sin(w * 1000.0) + 0.3 * std::sin(w * 3130.0 + 1.0) +
                                0.25 * std::sin(w * 7310.0 + 2.0)) *
                               75.0 / 19.0 * 6000.0);
    }
    const double gain = echo.delayUs > 0.0 ? std::pow(10.0, echo.relativeDb / 20.0) : 0.0;
    const test::Received r = test::RoundTrip(
        mpx, 65.0, kRate, test::kStation - echo.centreMhz * 1e6, {echo.delayUs * 1e-6, gain});
    level.assign(r.level.end() - kBlock, r.level.end());
    return {r.mpx.end() - kBlock, r.mpx.end()};
}

// The multipath analysis of the received block once its average has converged (each pass
// moves it halfway).
CMultipathResult Analysed(const std::vector<float>& mpx, const std::vector<float>& level) {
    CQueueTarget window;
    CMultipathTavik analyser(nullptr);
    analyser.SetNotifyWindow(&window);
    analyser.SetSynchronous(true);
    std::shared_ptr<const CMultipathResult> result;
    for (int pass = 0; pass < 8; ++pass) {
        analyser.PostData(mpx.data(), kBlock, level.data(), kBlock);
        analyser.Analyse();
        for (CMessage message; window.Queue().PeekMessage(message, 0, 0, true);) {
            if (auto posted = message.result.Share<EResultCode::Multipath>()) {
                result = posted;
            }
        }
    }
    return result ? *result : CMultipathResult{};
}

// A two-ray channel's envelope |1 + g exp(-j 2 pi f tau)| changes fastest where the rays
// oppose; its steepest relative slope is 2 pi tau g / (1 - g^2), in %/kHz. The deviation of
// 75 kHz sweeps the carrier over that point in every case here (at 106.7 MHz the echoes'
// carrier phases put it near the middle), so the analysis must read it, wherever the capture
// is centred: the echo's carrier phase comes from the radio frequency, not the capture.
TEST(TwoRayChannel, MultipathFollowsTheAnalyticSlope) {
    struct Case {
        Echo echo;
        double expected;  // %/kHz
        int status;
    };
    const auto steepest = [](double delayUs, double relativeDb) {
        const double g = std::pow(10.0, relativeDb / 20.0);
        return 100.0 * 2.0 * std::numbers::pi * delayUs * 1e-3 * g / (1.0 - g * g);
    };
    const Case cases[] = {
        {{8.0, -6.0, 106.45}, steepest(8.0, -6.0), 2},
        {{8.0, -6.0, 106.7}, steepest(8.0, -6.0), 2},
        {{8.0, -6.0, 106.3}, steepest(8.0, -6.0), 2},
        {{2.0, -6.0, 106.45}, steepest(2.0, -6.0), 1},
    };
    for (const Case& c : cases) {
        std::vector<float> level;
        const std::vector<float> mpx = ReceiveBlock(c.echo, level);
        const CMultipathResult result = Analysed(mpx, level);
        EXPECT_NEAR(result.m_fMultipath, c.expected, 0.1 * c.expected)
            << c.echo.delayUs << " us at " << c.echo.centreMhz;
        EXPECT_EQ(result.m_nStatus, c.status) << c.echo.delayUs << " us at " << c.echo.centreMhz;
    }
    // Without an echo the receiver adds no slope of its own.
    std::vector<float> level;
    const std::vector<float> mpx = ReceiveBlock({0.0, 0.0, 106.45}, level);
    const CMultipathResult clean = Analysed(mpx, level);
    EXPECT_LT(clean.m_fMultipath, 0.1f);
    EXPECT_EQ(clean.m_nStatus, 1);
}

}  // namespace
}  // namespace tavik
