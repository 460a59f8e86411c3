#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <numeric>
#include <vector>

#include "document/SpectrumDecimation.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/document/DocumentTestSupport.h"

namespace tavik {
namespace {

using test::Samples16;

constexpr int N = GLOBAL_SAMPLE_BUFSIZE;
constexpr int kBlocks = 14;  // in the recording; the tests use fewer, so it never rewinds

// MPX amplitude and raw level of recorded block k (0-based).
std::int16_t Amplitude(int k) {
    return static_cast<std::int16_t>(300 * (k + 1));
}
std::int16_t RawLevel(int k) {
    return static_cast<std::int16_t>(1000 + 10 * k);
}

// Forwards to a stepped pacer. When the transfers stop it notes whether the distribution
// threads had already ended (posts to their identifiers are then refused).
class CStopOrderPacer : public CPacer {
public:
    void Sleep(std::chrono::milliseconds period) override { steps.Sleep(period); }
    void SleepUntil(Time deadline) override { steps.SleepUntil(deadline); }
    Time Now() override { return steps.Now(); }
    void Reset() override { steps.Reset(); }
    void Interrupt() override {
        if (adcThread != 0) {
            distributionEndedFirst =
                !PostThreadMessage(adcThread, 0) && !PostThreadMessage(rdsThread, 0);
            adcThread = 0;
        }
        steps.Interrupt();
    }

    CSteppedPacer steps;
    ThreadId adcThread = 0;  // set by the test before a pause
    ThreadId rdsThread = 0;
    bool distributionEndedFirst = false;
};

struct DistributionFixture : test::CDocumentFixture {
    DistributionFixture() {
        std::vector<std::int16_t> mpx;
        std::vector<std::int16_t> level;
        for (int k = 0; k < kBlocks; ++k) {
            for (int i = 0; i < N; ++i) {
                // Alternating signs; the block's largest magnitude sits in its second half.
                const int sign = i % 2 == 0 ? 1 : -1;
                mpx.push_back(static_cast<std::int16_t>(i == 15000 ? -Amplitude(k)
                                                                   : sign * Amplitude(k) / 2));
                level.push_back(RawLevel(k));
            }
        }
        folder.Write("mpx.dat", Samples16(mpx));
        folder.Write("lev.dat", Samples16(level));
        folder.Write("rds.dat", std::vector<std::uint8_t>(1000, 0x5A));
        doc->GetDevice().SetDataFolder(folder.Path());
        doc->GetDevice().SetPacers(&adcPace, &rdsPace, &rdsPace);
        doc->SetResultWindow(&window);
    }
    ~DistributionFixture() override { doc.reset(); }  // before the pacers it uses

    // Lets the recording deliver one block and collects the results it causes up to the
    // deviation's block peak (EResultCode::DeviationPeak), which it returns; then waits until every
    // analyser takes blocks again, as each takes the next block only when idle.
    float DeliverBlock() {
        adcPace.steps.Step();
        float peak = -1.0f;
        CMessage msg;
        while (window.Queue().GetMessageFor(msg, std::chrono::seconds(10)).has_value()) {
            EXPECT_EQ(msg.message, WM_ANALYSER_RESULT);
            if (const float* blockPeak = msg.result.Get<EResultCode::DeviationPeak>()) {
                peak = *blockPeak;
                break;
            }
            others.push_back(msg.wParam);
        }
        WaitUntilIdle();
        return peak;
    }
    void WaitUntilIdle() {
        constexpr auto kLimit = std::chrono::seconds(10);
        EXPECT_TRUE(doc->GetDeviation().WaitUntilIdle(kLimit));
        EXPECT_TRUE(doc->GetMPXPower().WaitUntilIdle(kLimit));
        EXPECT_TRUE(doc->GetSpectrumAnalyser().WaitUntilIdle(kLimit));
        EXPECT_TRUE(doc->GetRDSWorker().WaitUntilIdle(kLimit));
    }

    std::vector<std::uintptr_t> others;  // the results other than block peaks
    CStopOrderPacer adcPace;
    CSteppedPacer rdsPace;
};

TEST_F(DistributionFixture, EveryBlockReachesTheDeviationAnalyser) {
    float samples[N];
    int count = -1;
    doc->GetMpxSamples(samples, count);
    EXPECT_EQ(count, 0);  // no time signal yet
    doc->GetLevelSamples(samples, count);
    EXPECT_EQ(count, 0);

    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    ASSERT_TRUE(prompt.m_boxes.empty());
    // Two RDS blocks, each decoded before the next arrives.
    for (int block = 0; block < 2; ++block) {
        rdsPace.Step();
        CMessage msg;
        while (window.Queue().GetMessageFor(msg, std::chrono::seconds(10)).has_value()) {
            others.push_back(msg.wParam);
            if (msg.wParam == 11) {
                break;
            }
        }
        ASSERT_TRUE(doc->GetRDSWorker().WaitUntilIdle(std::chrono::seconds(10)));
    }

    for (int k = 0; k < 10; ++k) {
        EXPECT_FLOAT_EQ(DeliverBlock(), Amplitude(k) / 6000.0f * 19.0f) << k;
    }
    EXPECT_TRUE(rdsPace.WaitUntilIdle());

    // The deviation made two time signals and one second's statistics; the spectrum got blocks
    // 4 and 9, the MPX power all ten (one 1-second value), the RDS worker both RDS blocks.
    WaitUntilIdle();
    CMessage msg;
    while (window.Queue().PeekMessage(msg, 0, 0, true)) {
        others.push_back(msg.wParam);
    }
    const std::pair<std::uintptr_t, long> counts[] = {{1, 2},  {6, 1}, {2, 2}, {10, 2},
                                                      {12, 1}, {9, 2}, {11, 2}};
    for (const auto& [code, count] : counts) {
        EXPECT_EQ(std::count(others.begin(), others.end(), code), count) << code;
    }

    // The time signal is block 9's, in percent of 75 kHz; the level block is the last one.
    doc->GetMpxSamples(samples, count);
    ASSERT_EQ(count, N);
    EXPECT_FLOAT_EQ(samples[15000], -Amplitude(8) / 6000.0f * 19.0f * 100.0f / 75.0f);
    doc->GetLevelSamples(samples, count);
    ASSERT_EQ(count, N);
    EXPECT_EQ(samples[0], CTavikControl::ScaleLevel(RawLevel(9)));
    EXPECT_EQ(samples[N - 1], CTavikControl::ScaleLevel(RawLevel(9)));

    // The histogram holds the 20 half-block peaks: first halves at half the amplitude.
    const auto& histogram = doc->GetDeviation().GetHistogram();
    EXPECT_EQ(std::accumulate(histogram.begin(), histogram.end(), 0u), 20u);
    EXPECT_EQ(histogram[static_cast<int>(Amplitude(9) / 6000.0f * 19.0f)], 1u);

    doc->OnMeasurementStop();
    EXPECT_EQ(doc->GetDeviation().GetHistogram(), std::vector<std::uint32_t>(110, 0));
    EXPECT_TRUE(prompt.m_boxes.empty());
}

TEST_F(DistributionFixture, PauseEndsTheDistributionBeforeTheTransfers) {
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    DeliverBlock();

    const ThreadId adcThread = doc->GetADCDistributionThreadID();
    const ThreadId rdsThread = doc->GetRDSDistributionThreadID();
    ASSERT_NE(adcThread, 0u);
    ASSERT_NE(rdsThread, 0u);
    adcPace.adcThread = adcThread;
    adcPace.rdsThread = rdsThread;
    doc->OnMeasurementPause();
    EXPECT_TRUE(adcPace.distributionEndedFirst);
    EXPECT_EQ(doc->GetADCDistributionThreadID(), 0u);
    EXPECT_EQ(doc->GetRDSDistributionThreadID(), 0u);
    EXPECT_FALSE(PostThreadMessage(adcThread, WM_ADC_BLOCK_READY));

    // A resume runs new threads (the playback starts again at the first block).
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    EXPECT_NE(doc->GetADCDistributionThreadID(), adcThread);
    EXPECT_FLOAT_EQ(DeliverBlock(), Amplitude(0) / 6000.0f * 19.0f);
    doc->OnMeasurementStop();
    EXPECT_TRUE(prompt.m_boxes.empty());
}

TEST_F(DistributionFixture, RepeatedStartAndPauseWithoutBlocksNeverHangs) {
    // The quit message always finds its thread's flag clear, so a pause needs no further block.
    for (int i = 0; i < 20; ++i) {
        doc->OnMeasurementStart();
        ASSERT_TRUE(doc->IsRunning());
        doc->OnMeasurementPause();
        ASSERT_FALSE(doc->IsRunning());
    }
    doc->OnMeasurementStop();
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_EQ(window.Queue().Size(), 0u);
}

// A result window whose first post blocks until released: holds the deviation pass in Notify.
class CBlockingWindow : public CMessageTarget {
public:
    using CMessageTarget::PostMessage;
    void PostMessage(CMessage) override {
        if (!m_bEntered.exchange(true)) {
            entered.set_value();
            release.get_future().wait();
        }
    }
    std::promise<void> entered;
    std::promise<void> release;

private:
    std::atomic<bool> m_bEntered{false};
};

TEST_F(DistributionFixture, StopReportsAnAnalyserThatCannotBeCleared) {
    CBlockingWindow blocking;
    doc->SetResultWindow(&blocking);
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    adcPace.steps.Step();
    ASSERT_EQ(blocking.entered.get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);

    view.Take();
    doc->OnMeasurementStop();  // the clearing waits its 1000 ms for the held pass in vain
    blocking.release.set_value();
    EXPECT_TRUE(doc->GetDeviation().WaitUntilIdle(std::chrono::seconds(10)));

    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_RUN_PAUSED, HINT_MEASUREMENT_RESET,
                                                   HINT_MEASUREMENT_STOPPED}));
    ExpectOneBox(
        CTAVIKSDIDoc::FormatException(CDeviationTavikException(
            "ClearBuffer: Wait timed out!\nStopMeasurement: Could not clear data buffers!\n", 0)),
        MB_ICONEXCLAMATION);
    EXPECT_EQ(State(), "idle");
    doc->SetResultWindow(&window);  // `blocking` ends with this test
}

TEST(SpectrumDecimation, FourthBlockThenEveryFifth) {
    CSpectrumDecimation spectrum;
    std::vector<int> taken;
    for (int block = 1; block <= 20; ++block) {
        if (spectrum.Next()) {
            taken.push_back(block);
        }
    }
    EXPECT_EQ(taken, (std::vector<int>{4, 9, 14, 19}));
}

}  // namespace
}  // namespace tavik
