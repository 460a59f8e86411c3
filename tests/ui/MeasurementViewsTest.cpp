// The deviation and MPX power pages: the limit rule, the limit lines and the power span rule.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "analysis/MultipathResult.h"
#include "analysis/MultipathTavik.h"
#include "analysis/SpectrumAnalyser.h"
#include "charts/DeviationDisplay.h"
#include "charts/Display.h"
#include "charts/LevelMeter.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "platform/Messages.h"
#include "rds/RDSSnapshot.h"
#include "tests/document/DocumentTestSupport.h"
#include "ui/DeviationView.h"
#include "ui/HeaderView.h"
#include "ui/PMPXView.h"
#include "ui/QualityView.h"
#include "ui/SpectrumView.h"

namespace tavik {
namespace {

using test::Result;

class MeasurementViewsTest : public ::testing::Test {
protected:
    MeasurementViewsTest() { m_doc.SetPrompt(&m_prompt); }
    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
};

TEST_F(MeasurementViewsTest, DeviationLimitIsCheckedWhenTheEntryIsFinished) {
    CDeviationView view(m_doc, nullptr);
    QLineEdit& edit = view.GetLimitEdit();
    m_doc.SetModifiedFlag(false);
    // A refused entry says the range and puts the last valid limit back.
    const char* const refused = "The deviation limit must be a number from 0 to 110 kHz.";
    const struct {
        const char* typed;
        float limit;          // after Enter
        const char* shown;    // the edit's text after Enter
        const char* message;  // the box shown, "" for none
    } cases[] = {
        {"80", 80.0f, "80", ""},         {"120", 80.0f, "80", refused},
        {"110.5", 80.0f, "80", refused}, {"-1", 80.0f, "80", refused},
        {"nan", 80.0f, "80", refused},   {"x", 80.0f, "80", refused},
        {"", 80.0f, "80", ""},  // nothing typed: the limit stays
        {"110", 110.0f, "110", ""},      {"0", 0.0f, "0", ""},
        {"12", 12.0f, "12", ""},
    };
    for (const auto& c : cases) {
        m_prompt.m_boxes.clear();
        edit.selectAll();
        QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
        if (std::string(c.typed) == "120") {
            // Nothing applies while typing: "12" on the way to "120" is no limit.
            EXPECT_EQ(view.GetLimit(), 80.0f);
            EXPECT_EQ(m_doc.GetProtocolHeaderRef().m_fDeviationLimit, 80.0f);
        }
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_EQ(view.GetLimit(), c.limit) << c.typed;
        EXPECT_EQ(m_doc.GetProtocolHeaderRef().m_fDeviationLimit, c.limit) << c.typed;
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(m_prompt.m_boxes.empty() ? "" : m_prompt.m_boxes.back().text, c.message)
            << c.typed;
        EXPECT_LE(m_prompt.m_boxes.size(), 1u) << c.typed;
    }
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(MeasurementViewsTest, LimitAndTriangleKeepTheMaximumAndOnlyTheFilterRestartsIt) {
    CDeviationView view(m_doc, nullptr);
    std::vector<float> block(20000, 6000.0f);  // 19 kHz
    for (int i = 0; i < 40; ++i) {
        m_doc.GetDeviation().AnalyseBlock(block.data(), static_cast<int>(block.size()));
    }
    const float maximum = m_doc.GetDeviation().GetMaxDeviation();
    ASSERT_GT(maximum, 18.0f);
    view.GetLimitEdit().setText(QStringLiteral("70"));
    QTest::keyClick(&view.GetLimitEdit(), Qt::Key_Return);
    view.GetTriangleCheck().setChecked(true);
    EXPECT_EQ(m_doc.GetProtocolHeaderRef().m_fDeviationLimit, 70.0f);
    EXPECT_EQ(m_doc.GetDeviation().GetMaxDeviation(), maximum);
    view.GetFilterCheck().setChecked(true);
    EXPECT_EQ(m_doc.GetDeviation().GetMaxDeviation(), 0.0f);
}

TEST_F(MeasurementViewsTest, DeviationLimitLinesFollowTheTriangle) {
    CDeviationView view(m_doc, nullptr);
    const CDeviationDisplay& chart = view.GetChart();
    const SLine* foot = chart.FindLine(CDeviationView::LINE_LIMIT_FOOT);
    ASSERT_NE(foot, nullptr);
    EXPECT_EQ(foot->fX1, 75.0f);
    view.GetTriangleCheck().setChecked(true);
    EXPECT_EQ(foot->fX1, 85.0f);
    EXPECT_EQ(foot->fY1, 0.0f);
    EXPECT_EQ(foot->fX2, 75.0f);
    EXPECT_EQ(foot->fY2, 10.0f);
    EXPECT_EQ(m_doc.GetProtocolHeaderRef().m_bLimitTriangle, 1);
    const SLine* green = chart.FindLine(CDeviationView::LINE_20KHZ);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(green->fX1, 20.0f);
}

TEST_F(MeasurementViewsTest, DeviationResultsAndStop) {
    CDeviationView view(m_doc, nullptr);
    view.OnUpdate(nullptr, HINT_MEASUREMENT_STARTED, nullptr);
    EXPECT_FALSE(view.GetFilterCheck().isEnabled());
    std::vector<float> relative(110, 1.5f);
    view.OnResult(CAnalyserResult::Make<EResultCode::DeviationRelative>(
        std::make_shared<std::vector<float>>(relative)));
    EXPECT_EQ(view.GetRelative()[109], 1.5f);
    EXPECT_EQ(view.GetRelative()[110], 0.0f);  // the last class keeps its value
    view.OnResult(CAnalyserResult::Make<EResultCode::DeviationMax>(76.456f));
    EXPECT_EQ(view.GetMaximumField().text(), QStringLiteral("76.46kHz"));

    view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr);
    EXPECT_EQ(view.GetRelative()[109], 0.0f);
    EXPECT_TRUE(view.GetMaximumField().text().isEmpty());
    EXPECT_FALSE(view.GetMaximumField().isEnabled());
    EXPECT_TRUE(view.GetFilterCheck().isEnabled());
}

TEST(PowerSpanTest, AutoGrowsWithTheHistory) {
    struct {
        int range, count, span;
    } const cases[] = {
        {0, 1, 60},     {0, 59, 60},   {0, 60, 600}, {0, 599, 600},
        {0, 600, 3600}, {1, 3600, 60}, {2, 10, 600}, {3, 10, 3600},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PowerSpanSeconds(c.range, c.count), c.span) << c.range << " " << c.count;
    }
}

TEST_F(MeasurementViewsTest, PowerAxisSwitchesToMinutesAtSixtyValues) {
    // Where the span grows is the table above; the axis follows it.
    CPMPXView view(m_doc, nullptr);
    view.OnUpdate(nullptr, HINT_MEASUREMENT_STARTED, nullptr);
    view.OnResult(CAnalyserResult::Make<EResultCode::PowerHistory>(
        std::make_shared<std::vector<float>>(60, -1.0f)));
    view.ApplySpan();
    EXPECT_EQ(view.GetChart().GetXMax(), 10.0f);
    EXPECT_EQ(view.GetChart().GetXUnit(), QStringLiteral("min"));
    EXPECT_FLOAT_EQ(view.GetTimes()[1], 1.0f / 60.0f);
    EXPECT_EQ(view.GetChart().FindGraph(1)->nCount, 60);

    view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr);
    EXPECT_EQ(view.GetChart().GetXMax(), 60.0f);
    EXPECT_EQ(view.GetChart().GetXUnit(), QStringLiteral("s"));
    EXPECT_FALSE(view.GetChart().FindGraph(1)->bVisible);
    EXPECT_EQ(view.GetDisplayRange(), 0);
}

// The 1 s and the 60 s value beside the bar: a dash until the analyser has one (the 60 s value
// comes after a minute of signal), a silent input as minus infinity, a dash again after a stop.
TEST_F(MeasurementViewsTest, PowerPageShowsTheOneAndSixtySecondValues) {
    CPMPXView view(m_doc, nullptr);
    view.OnUpdate(nullptr, HINT_MEASUREMENT_STARTED, nullptr);
    const auto history = [](std::vector<float> values) {
        return CAnalyserResult::Make<EResultCode::PowerHistory>(
            std::make_shared<std::vector<float>>(std::move(values)));
    };
    const float silent = -std::numeric_limits<float>::infinity();
    const struct {
        std::function<void()> act;
        const char* strOneSecond;
        const char* strMinute;
    } steps[] = {
        {[] {}, "\u2014", "\u2014"},
        {[&] { view.OnResult(CAnalyserResult::Make<EResultCode::Power1s>(2.844f)); }, "2.84 dBr",
         "\u2014"},
        {[&] {
             view.OnResult(history({3.016f, 9.0f}));
         },
         "2.84 dBr", "3.02 dBr"},
        {[&] { view.OnResult(CAnalyserResult::Make<EResultCode::Power1s>(silent)); },
         "\u2212\u221e dBr", "3.02 dBr"},
        {[&] { view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr); }, "\u2014", "\u2014"},
    };
    int step = 0;
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(view.GetOneSecondText().text().toStdString(), s.strOneSecond) << step;
        EXPECT_EQ(view.GetMinuteText().text().toStdString(), s.strMinute) << step;
        ++step;
    }
}

// Every field of the header strip and of the signal-quality page (value fields, lamps, the
// segment list, charts and buttons) says in its tool tip what it shows.
TEST_F(MeasurementViewsTest, HeaderAndQualityFieldsSayWhatTheyShow) {
    CHeaderView header(m_doc, nullptr);
    CQualityView quality(m_doc, nullptr);
    std::vector<QWidget*> fields;
    for (QLabel* field : header.findChildren<QLabel*>()) {  // the labels are painted
        fields.push_back(field);
    }
    for (QWidget* widget : quality.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(widget);
        if ((label != nullptr && !label->styleSheet().isEmpty()) ||
            qobject_cast<QAbstractButton*>(widget) != nullptr ||
            qobject_cast<CDisplay*>(widget) != nullptr ||
            (qobject_cast<QListWidget*>(widget) != nullptr && !widget->isHidden())) {
            fields.push_back(widget);
        }
    }
    EXPECT_GE(fields.size(), 8u + 12u);
    for (const QWidget* field : fields) {
        EXPECT_FALSE(field->toolTip().isEmpty())
            << field->metaObject()->className() << " " << field->objectName().toStdString();
    }
}

CMultipathResult Multipath(int status, float level, float multipath, int points) {
    CMultipathResult result;
    result.m_nStatus = status;
    result.m_fLevel = level;
    result.m_fMultipath = multipath;
    for (int i = 0; i < points; ++i) {
        result.m_deviation.push_back(static_cast<float>(i));
        result.m_levelFit.push_back(60.0f);
        result.m_slope.push_back(0.5f);
    }
    return result;
}

TEST_F(MeasurementViewsTest, QualityStatusThreeKeepsTextsButReplacesCurves) {
    CQualityView view(m_doc, nullptr);
    EXPECT_EQ(view.GetLevelText().text(), QStringLiteral("n/a"));
    EXPECT_EQ(view.GetStatusText().text(), QStringLiteral("n/a"));

    view.OnMultipathResult(Multipath(0, 0.0f, 0.0f, 0));  // no fit accepted yet
    EXPECT_EQ(view.GetLevelText().text(), QStringLiteral("-"));
    EXPECT_EQ(view.GetMultipathText().text(), QStringLiteral("-"));

    view.OnMultipathResult(Multipath(1, 61.25f, 0.456f, 41));
    EXPECT_EQ(view.GetLevelText().text(), QStringLiteral("61.3 dBuV"));
    EXPECT_EQ(view.GetMultipathText().text(), QStringLiteral("0.46 %/kHz"));
    EXPECT_EQ(view.GetStatusText().text(), QStringLiteral("Data OK!"));
    EXPECT_TRUE(view.IsOkLampOn());
    EXPECT_FALSE(view.IsStopLampOn());

    view.OnMultipathResult(Multipath(3, 40.0f, 9.0f, 7));
    EXPECT_EQ(view.GetLevelText().text(), QStringLiteral("61.3 dBuV"));
    EXPECT_EQ(view.GetMultipathText().text(), QStringLiteral("0.46 %/kHz"));
    EXPECT_EQ(view.GetStatusText().text(), QStringLiteral("Deviation too low (< 20.0 kHz)!"));
    EXPECT_FALSE(view.IsOkLampOn());
    EXPECT_FALSE(view.IsStopLampOn());
    EXPECT_EQ(view.GetLevelChart().FindGraph(1)->nCount, 7);
    EXPECT_EQ(view.GetSlopeChart().FindGraph(1)->nCount, 7);

    view.OnMultipathResult(Multipath(2, 50.0f, 1.0f, 7));
    EXPECT_FALSE(view.IsOkLampOn());
    EXPECT_TRUE(view.IsStopLampOn());

    view.OnMultipathResult(Multipath(1, 61.25f, 0.456f, 41));
    view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr);  // the stop clears curves and lamps
    EXPECT_FALSE(view.IsOkLampOn());
    EXPECT_FALSE(view.IsStopLampOn());
    EXPECT_EQ(view.GetLevelChart().FindGraph(1)->nCount, 0);
    EXPECT_EQ(view.GetSlopeChart().FindGraph(1)->nCount, 0);
}

TEST_F(MeasurementViewsTest, QualitySegmentPeaksAndBitErrorRate) {
    CQualityView view(m_doc, nullptr);
    CSegmentPeaks peaks{};
    peaks[0] = 21.456f;
    peaks[9] = -3.0f;
    view.OnResult(
        CAnalyserResult::Make<EResultCode::SegmentPeaks>(std::make_shared<CSegmentPeaks>(peaks)));
    ASSERT_EQ(view.GetSegmentPeaks().count(), 10);
    EXPECT_EQ(view.GetSegmentPeaks().item(0)->text(), QStringLiteral("21.46"));
    EXPECT_EQ(view.GetSegmentPeaks().item(9)->text(), QStringLiteral("-3.00"));

    CRDSSnapshot rds;
    rds.m_dBitErrorRate = 1.25;
    view.OnResult(
        CAnalyserResult::Make<EResultCode::RdsQuality>(std::make_shared<CRDSSnapshot>(rds)));
    EXPECT_EQ(view.GetBitErrorRateText().text(), QStringLiteral("1.250% settling"));
    rds.m_bSettled = true;
    view.OnResult(
        CAnalyserResult::Make<EResultCode::RdsQuality>(std::make_shared<CRDSSnapshot>(rds)));
    EXPECT_EQ(view.GetBitErrorRateText().text(), QStringLiteral("1.250%"));
}

TEST_F(MeasurementViewsTest, SpectrumPeakHoldRedAndMinusInfinityAtTheFloor) {
    CSpectrumView view(m_doc, nullptr);
    const SGraph* peak = view.GetChart().FindGraph(2);
    ASSERT_NE(peak, nullptr);
    EXPECT_EQ(peak->strName, QStringLiteral("Spectrum Peak Hold"));
    EXPECT_EQ(peak->pen.color(), QColor(255, 0, 0));
    EXPECT_NE(view.GetChart().FindGraph(1)->pen.color(), QColor(255, 0, 0));

    CSpectrumAnalyser::Spectrum bins{};
    bins.fill(-20.0f);
    bins[0] = -std::numeric_limits<float>::infinity();
    view.OnResult(CAnalyserResult::Make<EResultCode::Spectrum>(
        std::make_shared<CSpectrumAnalyser::Spectrum>(bins)));
    EXPECT_EQ(view.GetSpectrum()[0], -90.0f);
    EXPECT_EQ(view.GetSpectrum()[1024], -20.0f);
    EXPECT_EQ(view.GetPeakHold()[1], -90.0f);  // EResultCode::PeakHold not yet received

    view.SetWindowFunction(2);  // where the document takes it is the document's test
    EXPECT_EQ(m_doc.GetSpectrumAnalyser().GetWindow(), CSpectrumAnalyser::WINDOW_BLACKMAN);

    view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr);
    EXPECT_EQ(view.GetSpectrum()[1024], -90.0f);
}

}  // namespace
}  // namespace tavik
