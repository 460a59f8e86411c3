#include <gtest/gtest.h>

#include <future>

#include "analysis/LeastSquaresFit.h"
#include "platform/GenericException.h"
#include "tests/analysis/MultipathTestSupport.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/PassGate.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using namespace test;

constexpr int kSegment = CMultipathTavik::kSegmentSize;
constexpr std::array<double, 10> kWide = {30, 40, 50, 75, 60, 35, 45, 25, 55, 65};  // 75 kHz peak
constexpr std::array<double, 10> kLow = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5};  // too low to fit

// A cubic coupling below 2 %/kHz over the 75 kHz segment, at 60 dBuV.
constexpr CCubicModel kCoupled{2e-7, -1e-5, 2e-3};

// The float nearest `start` that `f` maps exactly onto `target` (f increasing).
template <class F>
float ExactlyAt(float start, F f, float target) {
    while (f(start) > target) {
        start = std::nextafter(start, 0.0f);
    }
    while (f(start) < target) {
        start = std::nextafter(start, 1e9f);
    }
    return start;
}

// A synchronous analyser with its windows: passes run inline, posts are read back at once.
struct MultipathFixture : ::testing::Test {
    MultipathFixture() {
        host.window = &window;
        analyser.SetNotifyWindow(&window);
        analyser.SetSynchronous(true);
    }
    // One block, one pass; returns the posts of the pass.
    std::vector<CMessage> Run(const CMultipathBlock& block) {
        analyser.PostData(block.mpx.data(), static_cast<int>(block.mpx.size()), block.level.data(),
                          static_cast<int>(block.level.size()));
        analyser.Analyse();
        return Drain(window);
    }
    // The result of a pass that must succeed.
    std::shared_ptr<const CMultipathResult> RunResult(const CMultipathBlock& block) {
        const auto posts = Run(block);
        EXPECT_EQ(posts.size(), 2u);
        if (posts.size() != 2 || posts[1].wParam != 8) {
            ADD_FAILURE() << "no result posted";
            return std::make_shared<CMultipathResult>();
        }
        return ResultOf(posts[1]);
    }
    // A pass that must fail: the text of its one failure notice.
    std::string Failure() {
        analyser.Analyse();
        const auto posts = Drain(window);
        if (posts.size() != 1 || posts[0].message != WM_ANALYSER_ERROR || posts[0].wParam != 11 ||
            posts[0].lParam != 1) {
            ADD_FAILURE() << "no failure notice";
            return "";
        }
        return *posts[0].pText;
    }
    CQueueTarget window;
    CTestHost host;
    CMultipathTavik analyser{&host};
};

TEST(LeastSquaresFit, SingularSystemReportsTheTriangularSolve) {
    // No deviation at all: only the constant column is non-zero, R(2,2) is exactly zero.
    CLeastSquaresFit fit;
    std::vector<float> x(CLeastSquaresFit::kRows, 0.0f);
    std::vector<float> b(CLeastSquaresFit::kRows, 5.0f);
    EXPECT_EQ(Thrown<CMultipathTavikException>([&] { fit.Fit(x.data(), b.data()); }),
              "STRTRS: INFO = 2");
}

TEST_F(MultipathFixture, RecoversACubicCouplingAndItsSlope) {
    const CCubicModel model = kCoupled;
    const auto result = RunResult(MakeBlock(kWide, model));
    // Each coefficient within 0.1 % of the model.
    EXPECT_NEAR(result->m_coeff[0], model.c0, 1e-3 * model.c0);
    EXPECT_NEAR(result->m_coeff[1], model.c1, 1e-3 * -model.c1);
    EXPECT_NEAR(result->m_coeff[2], model.c2, 1e-3 * model.c2);
    EXPECT_NEAR(result->m_coeff[3], model.c3, 1e-3 * model.c3);
    EXPECT_EQ(analyser.GetLastCoefficients(), result->m_coeff);

    // The grid spans the 75 kHz segment: -75 ... 75.
    ASSERT_EQ(result->m_deviation.size(), 151u);
    EXPECT_EQ(result->m_deviation.front(), -75.0f);
    EXPECT_EQ(result->m_deviation.back(), 75.0f);
    ASSERT_EQ(result->m_slope.size(), 151u);
    ASSERT_EQ(result->m_levelFit.size(), 151u);
    for (std::size_t i = 0; i < result->m_deviation.size(); i += 25) {
        const double f = result->m_deviation[i];
        EXPECT_NEAR(result->m_slope[i], model.RelativeSlope(f), 2e-3);
        EXPECT_NEAR(result->m_levelFit[i], 20.0 * std::log10(model.Amplitude(f)), 1e-3);
    }
    // Multipath value: the analytic largest relative slope over the grid, within 0.1 %.
    const double expected = model.MaximumSlope(-75, 75);
    EXPECT_NEAR(result->m_fMultipath, expected, 1e-3 * expected);
    EXPECT_LT(expected, 2.0);
    EXPECT_EQ(result->m_nStatus, 1);  // 60 dBuV and below 2 %/kHz
}

TEST_F(MultipathFixture, GridCoversTheChosenSegmentAndZero) {
    // Chosen segment from -62.3 to 71.8 kHz: grid -63 ... 72.
    CMultipathBlock block = MakeBlock(kWide, CCubicModel{});
    auto segment = block.mpx.begin() + 3 * kSegment;
    std::fill(segment, segment + kSegment, RawFromKilohertz(10.0));
    segment[100] = RawFromKilohertz(-62.3);
    segment[900] = RawFromKilohertz(71.8);
    auto result = RunResult(block);
    ASSERT_EQ(result->m_deviation.size(), 136u);
    EXPECT_EQ(result->m_deviation.front(), -63.0f);
    EXPECT_EQ(result->m_deviation.back(), 72.0f);
    EXPECT_EQ(result->m_deviation[63], 0.0f);

    // Only positive deviation: the grid still starts at 0.
    block = MakeBlock(kWide, CCubicModel{});
    segment = block.mpx.begin() + 3 * kSegment;
    for (int i = 0; i < kSegment; ++i) {
        segment[i] = RawFromKilohertz(25.0 + (i % 16));
    }
    segment[7] = RawFromKilohertz(80.0);
    result = RunResult(block);
    ASSERT_EQ(result->m_deviation.size(), 81u);
    EXPECT_EQ(result->m_deviation.front(), 0.0f);
    EXPECT_EQ(result->m_deviation.back(), 80.0f);
}

TEST_F(MultipathFixture, EqualPeaksFitTheLaterSegment) {
    CMultipathBlock block = MakeBlock({10, 10, 10, 10, 10, 10, 10, 10, 10, 10}, CCubicModel{});
    // Segment 2 swings -30 ... 30 kHz, segment 7 from -12 to 30 kHz: both peak at 30.
    for (int i = 0; i < kSegment; ++i) {
        const double phase = std::sin(0.05 * i);
        block.mpx[2 * kSegment + i] = RawFromKilohertz(30.0 * phase);
        block.mpx[7 * kSegment + i] = RawFromKilohertz(9.0 + 21.0 * phase);
    }
    block.mpx[2 * kSegment + 5] = RawFromKilohertz(-30.0);
    block.mpx[7 * kSegment + 5] = RawFromKilohertz(30.0);
    block.mpx[7 * kSegment + 6] = RawFromKilohertz(-11.5);
    const auto posts = Run(block);
    ASSERT_EQ(posts.size(), 2u);
    const auto& peaks = *posts[0].result.Get<EResultCode::SegmentPeaks>();
    EXPECT_EQ(peaks[2], peaks[7]);
    const auto result = ResultOf(posts[1]);
    const float hi = std::ceil(KilohertzFromRaw(RawFromKilohertz(30.0)));
    ASSERT_EQ(result->m_deviation.size(), static_cast<std::size_t>(hi + 13));  // -12 ... hi
    EXPECT_EQ(result->m_deviation.front(), -12.0f);
    EXPECT_EQ(result->m_deviation.back(), hi);
}

TEST_F(MultipathFixture, LowDeviationKeepsTheAverage) {
    // Before any accepted fit the average is zero: empty curves, no -inf level.
    auto posts = Run(MakeBlock(kLow, CCubicModel{}));
    ASSERT_EQ(posts.size(), 2u);
    auto result = ResultOf(posts[1]);
    EXPECT_EQ(result->m_nStatus, 3);
    EXPECT_TRUE(result->m_deviation.empty());
    EXPECT_TRUE(result->m_levelFit.empty());
    EXPECT_TRUE(result->m_slope.empty());
    EXPECT_EQ(result->m_fLevel, 0.0f);
    EXPECT_EQ(result->m_fMultipath, 0.0f);
    EXPECT_EQ(result->m_coeff, (std::array<float, 4>{}));

    const auto accepted = RunResult(MakeBlock(kWide, CCubicModel{}));
    ASSERT_EQ(accepted->m_nStatus, 1);

    // Peaks at exactly 20.0 kHz are not above 20: status 3, average unchanged, curves from it.
    const float raw = ExactlyAt(RawFromKilohertz(20.0), KilohertzFromRaw, 20.0f);
    ASSERT_EQ(KilohertzFromRaw(raw), 20.0f);
    CMultipathBlock block = MakeBlock({19, 19, 19, 19, 19, 19, 19, 19, 19, 19}, CCubicModel{});
    block.mpx[4 * kSegment + 17] = raw;
    block.mpx[9 * kSegment + 3] = -raw;
    posts = Run(block);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].wParam, 13u);
    const auto& peaks = *posts[0].result.Get<EResultCode::SegmentPeaks>();
    EXPECT_EQ(peaks[4], 20.0f);
    EXPECT_EQ(peaks[9], 20.0f);
    result = ResultOf(posts[1]);
    EXPECT_EQ(result->m_nStatus, 3);
    EXPECT_EQ(result->m_coeff, accepted->m_coeff);
    EXPECT_EQ(analyser.GetCoefficients(), accepted->m_coeff);
    EXPECT_EQ(result->m_fLevel, accepted->m_fLevel);
    EXPECT_EQ(result->m_deviation.size(), 40u);  // -20 ... 19 of segment 9
}

// Every way the average starts empty. The first accepted fit is taken whole: averaged with
// the zeros it would come out halved, its RF level 6 dB low. The next fit averages with it.
class MultipathEmptyAverage : public MultipathFixture,
                              public ::testing::WithParamInterface<std::string> {};

TEST_P(MultipathEmptyAverage, FirstAcceptedFitIsTakenWhole) {
    CCubicModel model;
    if (GetParam() == "AfterLowDeviationOnly") {
        ASSERT_EQ(ResultOf(Run(MakeBlock(kLow, model)).at(1))->m_nStatus, 3);
    } else if (GetParam() != "New") {
        model.c3 = 3162.2776;
        ASSERT_NEAR(RunResult(MakeBlock(kWide, model))->m_fLevel, 70.0f, 1e-3f);
        GetParam() == "AfterClearBuffer" ? analyser.ClearBuffer() : analyser.Calibrate();
    }
    model.c3 = 1000.0;  // 60 dBuV at zero deviation
    model.c2 = 2e-3;
    auto result = RunResult(MakeBlock(kWide, model));
    EXPECT_NEAR(result->m_fLevel, 60.0f, 1e-3f);
    EXPECT_NEAR(result->m_coeff[2], model.c2 - analyser.GetCalibrators()[2], 1e-3 * model.c2);
    EXPECT_NEAR(result->m_coeff[3], model.c3, 1e-3 * model.c3);

    model.c3 = 3000.0;
    result = RunResult(MakeBlock(kWide, model));
    EXPECT_NEAR(result->m_coeff[3], 2000.0, 2.0);  // (1000 + 3000) / 2
}

INSTANTIATE_TEST_SUITE_P(Starts, MultipathEmptyAverage,
                         ::testing::Values("New", "AfterLowDeviationOnly", "AfterClearBuffer",
                                           "AfterCalibrate"),
                         [](const auto& info) { return info.param; });

TEST_F(MultipathFixture, SilentCarrierIsDeviationTooLowNotAFailure) {
    CMultipathBlock block;
    std::fill(block.level.begin(), block.level.end(), 60.0f);
    const auto posts = Run(block);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(ResultOf(posts[1])->m_nStatus, 3);
    EXPECT_FALSE(analyser.IsBusy());
}

TEST_F(MultipathFixture, PostsSegmentPeaksThenTheResult) {
    const auto posts = Run(MakeBlock(kWide, CCubicModel{}));
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].message, WM_ANALYSER_RESULT);
    EXPECT_EQ(posts[0].wParam, 13u);
    const CSegmentPeaks* peaks = posts[0].result.Get<EResultCode::SegmentPeaks>();
    EXPECT_EQ(posts[0].lParam, reinterpret_cast<std::intptr_t>(peaks));
    for (int s = 0; s < 10; ++s) {
        EXPECT_NEAR((*peaks)[s], kWide[s], 0.01) << s;  // the sine's top sample
    }
    EXPECT_EQ(*peaks, analyser.GetSegmentPeaks());
    EXPECT_EQ(posts[1].message, WM_ANALYSER_RESULT);
    EXPECT_EQ(posts[1].wParam, 8u);
    EXPECT_EQ(posts[1].lParam,
              reinterpret_cast<std::intptr_t>(posts[1].result.Get<EResultCode::Multipath>()));

    // The posted copy stays as it was when the next pass rewrites the analyser's peaks.
    Run(MakeBlock(kLow, CCubicModel{}));
    EXPECT_NEAR((*peaks)[3], 75.0, 0.01);
    EXPECT_NEAR(analyser.GetSegmentPeaks()[3], 5.0, 0.01);
}

TEST_F(MultipathFixture, FailuresNoticeTheWindowAndKeepTheAnalyserBusy) {
    const std::string noData = "CMultipathTavik::compute: no data in containers";
    EXPECT_EQ(Failure(), noData);  // nothing posted yet
    EXPECT_TRUE(analyser.IsBusy());

    // Busy after the failure: blocks are refused until ClearBuffer.
    const auto block = MakeBlock(kWide, CCubicModel{});
    analyser.PostData(block.mpx.data(), 20000, block.level.data(), 20000);
    EXPECT_EQ(Failure(), noData);
    analyser.ClearBuffer();
    EXPECT_FALSE(analyser.IsBusy());

    // A wrong-sized block is ignored; a pass on the arrays left by the last one (2000
    // values) fails with the size message.
    analyser.PostData(block.mpx.data(), 19999, block.level.data(), 20000);
    EXPECT_EQ(Failure(), noData);
    analyser.ClearBuffer();
    ASSERT_EQ(Run(block).size(), 2u);
    EXPECT_EQ(Failure(),
              "AnalyseDeviation: mpx buffer size does not match MULTIPATH_BUFFER_FACTOR * "
              "GLOBAL_SAMPLE_BUFSIZE");
}

TEST_F(MultipathFixture, CalibrateOnALoadedSetLeavesNoResidualAndTwiceChangesNothing) {
    const CCubicModel model = kCoupled;
    for (const float loaded : {0.0f, 0.5f}) {  // nothing loaded, and a set half the response
        const float k[4] = {loaded * static_cast<float>(model.c0),
                            loaded * static_cast<float>(model.c1),
                            loaded * static_cast<float>(model.c2), 0.0f};
        std::uint8_t block[16];
        std::memcpy(block, k, sizeof block);
        analyser.SetCalibrators(block);
        RunResult(MakeBlock(kWide, model));
        analyser.Calibrate();
        const auto once = analyser.GetCalibrators();
        EXPECT_NEAR(once[2], model.c2, 1e-3 * model.c2) << loaded;
        analyser.Calibrate();  // at once, and again after a pass on the same signal
        EXPECT_EQ(analyser.GetCalibrators(), once) << loaded;
        const auto calibrated = RunResult(MakeBlock(kWide, model));
        EXPECT_NEAR(calibrated->m_fMultipath, 0.0f, 0.02f) << loaded;
        EXPECT_NEAR(calibrated->m_coeff[2], 0.0, 1e-3 * model.c2) << loaded;
        EXPECT_NEAR(calibrated->m_coeff[3], model.c3, 1e-3 * model.c3) << loaded;  // k3 unused
        EXPECT_EQ(calibrated->m_calib, once) << loaded;
        analyser.Calibrate();
        const auto twice = analyser.GetCalibrators();
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(twice[j], once[j], 1e-3 * std::fabs(once[j])) << loaded << ' ' << j;
        }
    }
}

TEST_F(MultipathFixture, CalibrateResetAndClear) {
    const CCubicModel model{0, 0, 1e-3};
    RunResult(MakeBlock(kWide, model));
    const auto last = analyser.GetLastCoefficients();
    ASSERT_NE(last[3], 0.0f);

    analyser.Calibrate();  // from no calibration: the averaged set as it is
    EXPECT_EQ(analyser.GetCalibrators(), last);
    EXPECT_EQ(analyser.GetCoefficients(), (std::array<float, 4>{}));
    EXPECT_EQ(host.saved,
              CByteBuilder().F32(last[0]).F32(last[1]).F32(last[2]).F32(last[3]).Bytes());

    analyser.ResetCalibration();
    EXPECT_EQ(analyser.GetCalibrators(), (std::array<float, 4>{}));

    // ClearBuffer zeroes the average; the last coefficients and the calibration stay.
    const std::uint8_t block[16] = {0, 0, 0x80, 0x3F};  // k0 = 1.0
    analyser.SetCalibrators(block);
    RunResult(MakeBlock(kWide, model));
    const auto before = analyser.GetLastCoefficients();
    analyser.ClearBuffer();
    EXPECT_EQ(analyser.GetCoefficients(), (std::array<float, 4>{}));
    EXPECT_EQ(analyser.GetLastCoefficients(), before);
    EXPECT_EQ(analyser.GetCalibrators(), (std::array<float, 4>{1.0f, 0, 0, 0}));
}

TEST(MultipathResult, StatusRule) {
    EXPECT_EQ(CMultipathResult::Status(false, 80.0f, 0.5f), 3);
    EXPECT_EQ(CMultipathResult::Status(true, 54.0f, 0.5f), 2);
    EXPECT_EQ(CMultipathResult::Status(true, std::nextafter(54.0f, 55.0f), 0.5f), 1);
    EXPECT_EQ(CMultipathResult::Status(true, 60.0f, 2.0f), 2);
    EXPECT_EQ(CMultipathResult::Status(true, 60.0f, std::nextafter(2.0f, 0.0f)), 1);

    // Coefficients whose level at zero deviation is exactly 54.0 dBuV give status 2.
    const float c3 = ExactlyAt(
        static_cast<float>(std::pow(10.0, 54.0 / 20.0)),
        [](float c) { return 20.0f * std::log10(c); }, 54.0f);
    ASSERT_EQ(20.0f * std::log10(c3), 54.0f);
    CMultipathResult result;
    result.Evaluate({0, 0, 0, c3}, -30, 30, true);
    EXPECT_EQ(result.m_fLevel, 54.0f);
    EXPECT_EQ(result.m_fMultipath, 0.0f);
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_deviation.size(), 61u);
}

TEST(MultipathThread, AnalyseWhileAPassRunsStartsNoSecondPass) {
    CQueueTarget window;
    CTestHost host;
    host.window = &window;
    CGated<CMultipathTavik> analyser(&host);
    analyser.SetNotifyWindow(&window);
    const auto block = MakeBlock(kWide, CCubicModel{});

    analyser.gate.Hold();
    analyser.PostData(block.mpx.data(), 20000, block.level.data(), 20000);
    analyser.Analyse();
    EXPECT_TRUE(analyser.IsPassRunning());
    analyser.Analyse();  // skipped: the first pass still runs
    analyser.PostData(block.mpx.data(), 20000, block.level.data(), 20000);  // refused: busy

    // ClearBuffer gives up after 1000 ms while the pass is held.
    EXPECT_EQ(Thrown<CMultipathTavikException>([&] { analyser.ClearBuffer(); }),
              "ClearBuffer: Wait timed out!\n");

    analyser.gate.Release();
    ASSERT_TRUE(analyser.WaitUntilIdle(std::chrono::seconds(10)));
    CMessage message;
    ASSERT_EQ(window.Queue().GetMessageFor(message, std::chrono::seconds(10)), 1);
    EXPECT_EQ(message.wParam, 13u);
    ASSERT_EQ(window.Queue().GetMessageFor(message, std::chrono::seconds(10)), 1);
    EXPECT_EQ(message.wParam, 8u);
    EXPECT_EQ(analyser.passes.load(), 1);

    // The next Analyse after the pass ended runs again (and fails: the arrays hold 2000).
    analyser.Analyse();
    ASSERT_EQ(window.Queue().GetMessageFor(message, std::chrono::seconds(10)), 1);
    EXPECT_EQ(message.message, WM_ANALYSER_ERROR);
    EXPECT_EQ(analyser.passes.load(), 2);
    analyser.ClearBuffer();
    EXPECT_FALSE(analyser.IsBusy());
}

}  // namespace
}  // namespace tavik
