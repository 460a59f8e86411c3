#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "charts/DeviationDisplay.h"

namespace tavik {
namespace {

// Three deviation classes: 5 % at 0 kHz, 7 % at 10 kHz, 3 % at 20 kHz; x axis 0..30.
const float kX[] = {0, 10, 20};
const float kY[] = {5, 7, 3};

std::vector<QPoint> Points(const SPlotGeometry& g, std::initializer_list<QPointF> values) {
    std::vector<QPoint> points;
    for (const QPointF& v : values) {
        points.push_back(ValueToPoint(g, static_cast<float>(v.x()), static_cast<float>(v.y())));
    }
    return points;
}

TEST(DeviationDisplay, StepPointsWithAndWithoutBars) {
    const SPlotGeometry g = ComputePlotGeometry(592, 480, 0.0f, 30.0f, 0.0f, 10.0f);
    std::vector<QPoint> out(4);
    StepPoints(g, kX, kY, 0, 1, false, out.data());
    out.resize(3);
    EXPECT_EQ(out, Points(g, {{0, 5}, {10, 5}, {10, 7}}));
    StepPoints(g, kX, kY, 1, 2, false, out.data());
    EXPECT_EQ(out, Points(g, {{10, 7}, {20, 7}, {20, 3}}));
    out.resize(4);
    StepPoints(g, kX, kY, 0, 1, true, out.data());
    EXPECT_EQ(out, Points(g, {{0, 5}, {10, 5}, {10, 0}, {10, 7}}));
    // The last class has no following one: its step ends on itself.
    StepPoints(g, kX, kY, 2, -1, true, out.data());
    EXPECT_EQ(out, Points(g, {{20, 3}, {20, 3}, {20, 3}, {20, 3}}));
}

TEST(DeviationDisplay, DrawsGroupsAndSnapsTheCursorToThem) {
    for (bool bars : {false, true}) {
        CDeviationDisplay chart;
        chart.SetXRange(0.0f, 30.0f);
        chart.SetYRange(0.0f, 10.0f);
        chart.AddGraph(kX, kY, false, 3, QStringLiteral("relative"), bars);
        chart.ShowGraph(1);
        chart.OnCommand(2001);
        QImage image(592, 480, QImage::Format_RGB32);
        QPainter painter(&image);
        chart.UpdateCursorPosition(chart.ValueToPoint(15, 0).x());
        chart.Render(&painter, QRect(0, 0, 592, 480));
        const SGraph& graph = *chart.FindGraph(1);
        const int group = bars ? 4 : 3;
        ASSERT_EQ(graph.nDrawn, 3 * group);
        EXPECT_EQ(graph.points[static_cast<std::size_t>(group)], chart.ValueToPoint(10, 7));
        EXPECT_EQ(graph.points.back(), chart.ValueToPoint(20, 3));
        // The first group starting at or right of 15 is the third class.
        EXPECT_EQ(chart.GetCursorColumn(), chart.ValueToPoint(20, 3).x());
    }
}

TEST(DeviationDisplay, ReadoutFormatsAndResetsTheLabelFormat) {
    CDeviationDisplay chart;
    chart.SetXTitle(QStringLiteral("Deviation"));
    chart.SetXUnit(QStringLiteral("Hz"));
    chart.SetYTitle(QStringLiteral("Share"));
    chart.SetLabelFormat(5);
    EXPECT_EQ(chart.ReadoutText(1500.0f, 12.345f),
              QStringLiteral("Deviation: 1.5kHz\nShare: 12.3%"));
    EXPECT_EQ(chart.GetLabelFormat(), 2);
}

}  // namespace
}  // namespace tavik
