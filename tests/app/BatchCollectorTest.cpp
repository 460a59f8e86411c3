#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/MultipathResult.h"
#include "document/BatchCollector.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::Result;

CSharedFloats Values(std::vector<float> values) {
    return std::make_shared<const std::vector<float>>(std::move(values));
}

TEST(BatchCollector, ExceedanceOf75KhzIsTheAccumulatedBinOf75) {
    CBatchCollector collector;
    std::vector<float> accumulated(110, 0.0f);
    accumulated[73] = 9.0f;  // at or above 74 kHz
    accumulated[74] = 2.5f;  // at or above 75 kHz
    accumulated[75] = 1.0f;
    collector.Collect(Result<EResultCode::DeviationAccumulated>(Values(accumulated)));
    ASSERT_TRUE(collector.GetSummary().fDeviationExceed75);
    EXPECT_EQ(*collector.GetSummary().fDeviationExceed75, 2.5f);
    EXPECT_EQ(collector.GetSummary().deviationAccumulated, accumulated);
}

TEST(BatchCollector, SixtySecondMaximumCoversEveryNewestValue) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::PowerHistory>(Values({1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({4.0f, 1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({})));  // nothing newest: ignored
    // Older values of the history are not newer seconds: 9 is no maximum of this run's fronts.
    collector.Collect(Result<EResultCode::PowerHistory>(Values({2.0f, 4.0f, 9.0f})));
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower60sLast, 2.0f);
    EXPECT_EQ(s.fMpxPower60sMax, 4.0f);
}

TEST(BatchCollector, TakesTheLatestValuesAndIgnoresOtherMessages) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::Power1s>(-1.5f));
    collector.Collect(Result<EResultCode::DeviationMax>(74.25f));
    auto noFit = std::make_shared<CMultipathResult>();  // a status, no value yet: null
    noFit->m_nStatus = CMultipathResult::STATUS_DEVIATION_TOO_LOW;
    collector.Collect(Result<EResultCode::Multipath>(noFit));
    EXPECT_FALSE(collector.GetSummary().fRfLevel);
    EXPECT_EQ(collector.GetSummary().nItuStatus, 3);
    auto multipath = std::make_shared<CMultipathResult>();
    multipath->m_slope = {0.75f};
    multipath->m_fMultipath = 0.75f;
    multipath->m_fLevel = 61.0f;
    multipath->m_nStatus = CMultipathResult::STATUS_CONDITIONS_MET;
    collector.Collect(Result<EResultCode::Multipath>(multipath));
    collector.Collect(Result<EResultCode::Multipath>(nullptr));    // no payload
    collector.Collect(CMessage{WM_ANALYSER_ERROR, 8, 0});          // not a result
    collector.Collect(Result<EResultCode::DeviationPeak>(99.0f));  // block peak
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower1sLast, -1.5f);
    EXPECT_EQ(s.fDeviationMax, 74.25f);
    EXPECT_EQ(s.fMultipath, 0.75f);
    EXPECT_EQ(s.fRfLevel, 61.0f);
    EXPECT_EQ(s.nItuStatus, 1);
    EXPECT_FALSE(s.fMpxPower60sLast);
    EXPECT_FALSE(s.pRds);
}

}  // namespace
}  // namespace tavik
