#include "app/MetricsPublisher.h"

#include <gtest/gtest.h>

#include "app/MonitorValues.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::Result;

std::shared_ptr<CMultipathResult> Fit(bool accepted, int status, float level, float multipath) {
    auto fit = std::make_shared<CMultipathResult>();
    if (accepted) {
        fit->m_slope = {multipath};
    }
    fit->m_fMultipath = multipath;
    fit->m_fLevel = level;
    fit->m_nStatus = status;
    return fit;
}

// What the monitor's values become in the snapshot: absent until measured, the ITU-R
// conditions each from the fit, the bit error rate as a ratio, thread failures counted.
TEST(MetricsPublisher, TakesTheStatusLinesValuesAndLeavesOutWhatIsNotMeasured) {
    CTAVIKSDIDoc doc;
    CAlarmEventRecorder alarms(doc);
    CMonitorValues values;
    CMetricsSnapshot s = CMetricsPublisher::Build(doc, values, alarms);
    EXPECT_EQ(s.strVersion, TAVIK_VERSION);
    EXPECT_EQ(s.fFrequency, 106.7f);
    EXPECT_FALSE(s.deviationPeak || s.deviationMax || s.power1s || s.power60s || s.multipath ||
                 s.rfLevel || s.ituDeviation || s.ituRfLevel || s.ituMultipath || s.rdsErrorRatio);
    EXPECT_EQ(s.strPI, "");

    const struct {
        bool accepted;
        int status;
        float level;
        float multipath;
        std::optional<bool> deviation, level54, multipath2;
    } fits[] = {
        {false, CMultipathResult::STATUS_DEVIATION_TOO_LOW, 0, 0, false, {}, {}},
        {true, CMultipathResult::STATUS_CONDITIONS_MET, 65.0f, 0.5f, true, true, true},
        {true, CMultipathResult::STATUS_CONDITIONS_NOT_MET, 54.0f, 0.5f, true, false, true},
        {true, CMultipathResult::STATUS_CONDITIONS_NOT_MET, 60.0f, 2.0f, true, true, false},
        {true, CMultipathResult::STATUS_DEVIATION_TOO_LOW, 60.0f, 0.5f, false, true, true},
    };
    for (const auto& f : fits) {
        values.Take(
            Result<EResultCode::Multipath>(Fit(f.accepted, f.status, f.level, f.multipath)));
        s = CMetricsPublisher::Build(doc, values, alarms);
        EXPECT_EQ(s.ituDeviation, f.deviation) << f.status << " " << f.level;
        EXPECT_EQ(s.ituRfLevel, f.level54) << f.status << " " << f.level;
        EXPECT_EQ(s.ituMultipath, f.multipath2) << f.status << " " << f.level;
        EXPECT_EQ(s.rfLevel.has_value(), f.accepted);
    }

    values.Take(Result<EResultCode::DeviationPeak>(48.25f));
    values.Take(Result<EResultCode::DeviationPeak>(51.5f));
    values.Take(Result<EResultCode::DeviationMax>(77.0f));
    values.Take(Result<EResultCode::Power1s>(2.5f));
    values.Take(Result<EResultCode::PowerHistory>(
        std::make_shared<const std::vector<float>>(std::vector<float>{-0.5f, 1.0f})));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "M\xD1NCHEN ";
    rds->m_dBitErrorRate = 1.5;  // percent
    values.Take(Result<EResultCode::RdsQuality>(rds));
    values.Take(CMessage{WM_TRANSFER_ERROR, 4, 0});
    values.Take(CMessage{WM_ANALYSER_ERROR, 4, 0});
    s = CMetricsPublisher::Build(doc, values, alarms);
    EXPECT_EQ(s.deviationPeak, 51.5f);  // the second's largest
    EXPECT_EQ(s.deviationMax, 77.0f);
    EXPECT_EQ(s.power1s, 2.5f);
    EXPECT_EQ(s.power60s, -0.5f);  // newest first
    EXPECT_EQ(s.strPI, "D313");
    EXPECT_EQ(s.strPS, "M\xC3\x84NCHEN");  // UTF-8, without the padding
    EXPECT_EQ(s.rdsErrorRatio, 0.015f);
    EXPECT_EQ(s.nDeviceErrors, 2u);
}

}  // namespace
}  // namespace tavik
