#include "report/ReportCharts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/MultipathResult.h"
#include "charts/Colors.h"
#include "charts/DeviationDisplay.h"
#include "platform/Prompt.h"
#include "report/ChartSeries.h"
#include "report/ReportError.h"
#include "report/TimeOfDayDisplay.h"

namespace tavik::report_charts {

namespace {

constexpr COLORREF kGraphColor = RGB(0, 60, 150);
constexpr COLORREF kLimitColor = RGB(210, 0, 0);
const QColor kGapShade(150, 150, 150, 90);

// The chart window in the report's print look.
void SetPrintLook(CDisplay& chart) {
    QPalette palette = chart.palette();
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    chart.setPalette(palette);
    chart.SetPlotColor(RGB(255, 255, 255));
    chart.SetGridColor(RGB(185, 185, 185));
    chart.SetGridStyle(QStringLiteral("dot"));
    chart.SetAxisColor(RGB(0, 0, 0));
    chart.SetLabelColor(RGB(0, 0, 0));
}

// Paints the chart; a drawing failure, which the chart reports through its prompt, fails the
// report.
void Render(CDisplay& chart, QPainter& painter, const QRect& rect) {
    CRecordingPrompt failures;
    chart.SetPrompt(&failures);
    chart.Render(&painter, rect);
    chart.SetPrompt(nullptr);
    if (!failures.m_boxes.empty()) {
        throw CReportError("A chart could not be drawn: " + failures.m_boxes.front().text);
    }
}

// The lowest and highest finite value of one quantity; none when there is no finite value.
bool FiniteRange(const CDayReport& report, float CResultRecord::*value, float& low, float& high) {
    low = std::numeric_limits<float>::max();
    high = std::numeric_limits<float>::lowest();
    for (const CResultRecord& second : report.day.seconds) {
        const float v = second.*value;
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    return low <= high;
}

// Grey bands over the plot where seconds have no record, at least one unit wide.
void ShadeGaps(QPainter& painter, const QRect& rect, const CDisplay& chart, const CTimeAxis& axis,
               const std::vector<CGap>& gaps) {
    const SRect& plot = chart.GetGeometry().rcPlot;
    painter.save();
    painter.translate(rect.topLeft());
    for (const CGap& gap : gaps) {
        const int left = chart.ValueToPoint(axis.X(gap.nFirstMissing), 0.0f).x();
        const int right =
            chart.ValueToPoint(axis.X(std::int64_t{gap.nFirstMissing} + gap.nCount), 0.0f).x();
        painter.fillRect(QRect(left, plot.top + 1, std::max(1, right - left), plot.Height() - 2),
                         kGapShade);
    }
    painter.restore();
}

// Each run as one filled shape from its columns' highs to their lows: the band is as wide as
// the values spread in each column and keeps the same look at any sampling.
void DrawEnvelope(QPainter& painter, const QRect& rect, const CDisplay& chart,
                  const std::vector<CEnvelopeRun>& runs) {
    painter.save();
    painter.translate(rect.topLeft());
    painter.setClipRect(chart.GetGeometry().rcPlot.ToQRect());
    const QColor colour = ColorFromRef(kGraphColor);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(colour);
    for (const CEnvelopeRun& run : runs) {
        QPolygon shape;
        for (std::size_t i = 0; i < run.x.size(); ++i) {
            shape << chart.ValueToPoint(run.x[i], run.high[i]);
        }
        for (std::size_t i = run.x.size(); i-- > 0;) {
            shape << chart.ValueToPoint(run.x[i], run.low[i]);
        }
        painter.drawPolygon(shape);
    }
    painter.restore();
}

// The smallest of 1, 1.5, 2, 2.5, 3, 4, 5, 6 and 10 times a power of ten at or above `value`
// (at least 1), so that the axis ends on or well clear of a labelled tick.
float NiceCeiling(float value) {
    if (!(value > 1.0f)) {
        return 1.0f;
    }
    const float decade = std::pow(10.0f, std::floor(std::log10(value)));
    for (const float step : {1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 4.0f, 5.0f, 6.0f}) {
        if (step * decade >= value) {
            return step * decade;
        }
    }
    return 10.0f * decade;
}

}  // namespace

CTimeChartLook DeviationLook() {
    return {QStringLiteral("Deviation per second"),
            QStringLiteral("Deviation"),
            QStringLiteral("kHz"),
            &CResultRecord::m_fDeviation,
            0.0f,
            110.0f,
            CDaySummary::kDeviationLimit,
            true};
}

CTimeChartLook MpxPowerLook(const CDayReport& report) {
    float low = 0.0f;
    float high = 0.0f;
    if (!FiniteRange(report, &CResultRecord::m_fMPXPower, low, high)) {
        low = high = 0.0f;
    }
    // Whole 5 dB around the values and 0 dBr, at least a dB apart from them.
    return {QStringLiteral("MPX power, 60 s"),
            QStringLiteral("MPX power"),
            QStringLiteral("dBr"),
            &CResultRecord::m_fMPXPower,
            std::max(-40.0f, std::floor((std::min(low, 0.0f) - 1.0f) / 5.0f) * 5.0f),
            std::min(20.0f, std::ceil((std::max(high, 0.0f) + 1.0f) / 5.0f) * 5.0f),
            CDaySummary::kMpxPowerLimit,
            true};
}

CTimeChartLook MultipathLook(const CDayReport& report) {
    float low = 0.0f;
    float high = 0.0f;
    if (!FiniteRange(report, &CResultRecord::m_fMultipath, low, high)) {
        high = 0.0f;
    }
    return {QStringLiteral("Multipath"),
            QStringLiteral("Multipath"),
            QStringLiteral("%/kHz"),
            &CResultRecord::m_fMultipath,
            0.0f,
            std::min(50.0f, std::max(3.0f, std::ceil(high + 0.5f))),
            CMultipathResult::kMultipathLimit,
            true};
}

void DrawTimeChart(QPainter& painter, const QRect& rect, const CTimeChartLook& look,
                   const CDayReport& report) {
    const CDaySummary& summary = report.summary;
    const CTimeAxis axis =
        summary.nSeconds > 0 ? MakeTimeAxis(summary.nFirst, summary.nLast) : CTimeAxis();
    CTimeOfDayDisplay chart(axis.nUnit, axis.nMidnight);
    SetPrintLook(chart);
    chart.SetXRange(axis.fFrom, axis.fTo);
    chart.SetYRange(look.fLow, look.fHigh);
    chart.SetTitle(look.strTitle);
    chart.SetXTitle(QStringLiteral("Local time"));
    chart.SetXUnit(QString());
    chart.SetYTitle(look.strYTitle);
    chart.SetYUnit(look.strYUnit);
    const int columns = ComputePlotGeometry(rect.width(), rect.height(), axis.fFrom, axis.fTo,
                                            look.fLow, look.fHigh)
                            .rcPlot.Width();
    // With a column or more per second every second is a point of a line; a longer run is
    // drawn as the min/max envelope of each pixel column over the rendered chart.
    const bool envelope = SecondsPerColumn(axis, std::max(columns, 1)) > 1;
    // The graphs point into these segments until the chart is drawn.
    const std::vector<CChartSegment> segments =
        envelope ? std::vector<CChartSegment>()
                 : MakeSegments(report.day.seconds, look.pValue, axis, std::max(columns, 1),
                                look.fLow, look.fHigh);
    for (const CChartSegment& segment : segments) {
        const int id = chart.AddGraph(segment.x.data(), segment.y.data(), false,
                                      static_cast<int>(segment.x.size()), look.strYTitle);
        chart.SetGraphPen(id, 1, kGraphColor);
        chart.ShowGraph(id);
    }
    if (look.bLimit) {
        chart.AddLine(1, axis.fFrom, axis.fTo, look.fLimit, look.fLimit, kLimitColor, 1);
    }
    Render(chart, painter, rect);
    if (envelope) {
        DrawEnvelope(painter, rect, chart,
                     MakeEnvelope(report.day.seconds, look.pValue, axis, std::max(columns, 1),
                                  look.fLow, look.fHigh));
    }
    ShadeGaps(painter, rect, chart, axis, summary.gaps);
}

void DrawDeviationDistribution(QPainter& painter, const QRect& rect, const CDayReport& report) {
    constexpr int kClasses = CDaySummary::kDeviationClasses;
    std::vector<float> classes(kClasses + 1);
    std::vector<float> seconds(kClasses + 1, 0.0f);  // the step of the last class ends at 110
    int most = 0;
    for (int k = 0; k < kClasses; ++k) {
        const int count = report.summary.deviationClasses[static_cast<std::size_t>(k)];
        classes[static_cast<std::size_t>(k)] = static_cast<float>(k);
        seconds[static_cast<std::size_t>(k)] = static_cast<float>(count);
        most = std::max(most, count);
    }
    classes[kClasses] = static_cast<float>(kClasses);
    CDeviationDisplay chart;
    SetPrintLook(chart);
    chart.SetXRange(0.0f, static_cast<float>(kClasses));
    const float top = NiceCeiling(static_cast<float>(most) * 1.1f);
    chart.SetYRange(0.0f, top);
    chart.SetTitle(QStringLiteral("Deviation distribution: seconds per 1 kHz class"));
    chart.SetXTitle(QStringLiteral("Peak deviation"));
    chart.SetXUnit(QStringLiteral("kHz"));
    chart.SetYTitle(QStringLiteral("Seconds"));
    chart.SetYUnit(QStringLiteral("s"));
    const int id = chart.AddGraph(classes.data(), seconds.data(), false, kClasses + 1,
                                  QStringLiteral("Seconds"), true);
    chart.SetGraphPen(id, 1, kGraphColor);
    chart.ShowGraph(id);
    chart.AddLine(1, CDaySummary::kDeviationLimit, CDaySummary::kDeviationLimit, 0.0f, top,
                  kLimitColor, 1);
    Render(chart, painter, rect);
}

}  // namespace tavik::report_charts
