#include <gtest/gtest.h>

#include <vector>

#include "charts/ChartGeometry.h"
#include "charts/LabelFormat.h"

namespace tavik {
namespace {

TEST(FindTickStep, OneTwoFiveStepsOfTenToTwentyPixels) {
    struct Case {
        double range;
        int pixels;
        STickStep expected;
    };
    const Case cases[] = {
        {100.0, 500, {10, 0, 2}},                             // phase 1 stops at 2 (10 px)
        {1.0, 500, {10, -2, 2}},                              // phase 2 refines from 2 down to 0.02
        {10.0, 500, {10, -1, 2}},  {200.0, 300, {15, 1, 1}},  // 10 units are 15 px
        {1000.0, 400, {20, 1, 5}},                            // 20 units are 8 px, 50 units 20 px
        {55.0, 400, {14, 0, 2}},   {0.001, 100, {20, -4, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindTickStep(c.range, c.pixels), c.expected)
            << c.range << " over " << c.pixels << " px";
    }
    // A widget too small for any plot still ends, with a step of whole ticks.
    EXPECT_GE(FindTickStep(100.0, -40).nPixelsPerTick, 10);
}

TEST(PlotGeometry, WholeTicksKeepRightAndTopEdges) {
    // 500 px of starting plot width: 592 = 62 + 500 + 30; height 400 = 480 - 30 - 50.
    const SPlotGeometry g = ComputePlotGeometry(592, 480, 0.0f, 100.0f, 0.0f, 1.0f);
    EXPECT_EQ(g.x, (STickStep{10, 0, 2}));
    EXPECT_EQ(g.rcPlot.right, 562);
    EXPECT_EQ(g.rcPlot.Width(), 501);
    EXPECT_EQ(g.rcPlot.left, 61);
    EXPECT_EQ(g.y, (STickStep{20, -2, 5}));  // 0.05 per 20 px
    EXPECT_EQ(g.rcPlot.top, 30);
    EXPECT_EQ(g.rcPlot.Height(), 401);

    const STickRun major = XTicks(g, true);
    ASSERT_EQ(major.nCount, 11);
    EXPECT_EQ(major.Pixel(0), g.rcPlot.left);
    EXPECT_EQ(major.Pixel(10), g.rcPlot.right - 1);
    EXPECT_DOUBLE_EQ(major.Value(5), 50.0);
    EXPECT_EQ(XTicks(g, false).nCount, 51);
    const STickRun yMajor = YTicks(g, true);
    EXPECT_EQ(yMajor.Pixel(0), g.rcPlot.bottom - 1);
    EXPECT_EQ(yMajor.nPixelStride, -100);
    EXPECT_EQ(FormatLabel(yMajor.Value(2), 2), "0.5");
}

TEST(PlotGeometry, TicksStartAtTheFirstMultipleAboveTheMinimum) {
    // -0.3 .. 0.7 over 500 px: step 0.02, majors every 0.1 from -0.3; 0 is exactly 0.
    const SPlotGeometry g = ComputePlotGeometry(592, 480, -0.3f, 0.7f, 0.0f, 1.0f);
    const STickRun major = XTicks(g, true);
    EXPECT_EQ(major.Pixel(0), g.rcPlot.left);
    EXPECT_EQ(FormatLabel(major.Value(3), 2), "0");
    // 3 .. 97: minor ticks from 4, majors from 10.
    const SPlotGeometry h = ComputePlotGeometry(592, 480, 3.0f, 97.0f, 0.0f, 1.0f);
    EXPECT_DOUBLE_EQ(XTicks(h, false).Value(0), 4.0);
    EXPECT_DOUBLE_EQ(XTicks(h, true).Value(0), 10.0);
    EXPECT_EQ(XTicks(h, true).Pixel(0), h.rcPlot.left + 35);
}

TEST(PlotGeometry, ValueToPointPinsOutsideValues) {
    const SPlotGeometry g = ComputePlotGeometry(592, 480, 0.0f, 100.0f, 0.0f, 100.0f);
    const SRect& rc = g.rcPlot;
    bool inRange = false;
    EXPECT_EQ(ValueToPoint(g, 100.0f, 100.0f, &inRange), QPoint(rc.right - 1, rc.top));
    EXPECT_TRUE(inRange);
    EXPECT_EQ(ValueToPoint(g, 0.0f, 0.0f, &inRange), QPoint(rc.left, rc.bottom - 1));
    EXPECT_TRUE(inRange);
    EXPECT_EQ(ValueToPoint(g, 50.0f, 150.0f, &inRange), QPoint(rc.left + 250, rc.top - 1));
    EXPECT_FALSE(inRange);
    EXPECT_EQ(ValueToPoint(g, -1.0f, -1.0f, &inRange), QPoint(rc.left, rc.bottom - 1));
    EXPECT_FALSE(inRange);
    EXPECT_EQ(ValueToPoint(g, 101.0f, 0.0f).x(), rc.right);
    EXPECT_EQ(ValueToPoint(g, 0.5f, 0.0f).x(), rc.left + 3);  // 2.5 px rounds up
}

TEST(PlotGeometry, ThinnedStrideIsAboutOneSamplePerColumn) {
    const STickStep step{10, 0, 2};  // 0.2 units per pixel
    EXPECT_EQ(ThinnedStride(step, 0.0f, 0.01f), 20);
    EXPECT_EQ(ThinnedStride(step, 0.0f, 0.3f), 1);
    EXPECT_EQ(ThinnedStride(step, 1.0f, 1.0f), 1);  // no spacing: every sample
}

TEST(PlotGeometry, LabelAndReadoutPlacement) {
    const SRect plot{62, 30, 562, 430};
    // Room above: the text ends 12 px above the point.
    EXPECT_EQ(GraphLabelRect(plot, {200, 200}, 50, 16), (SRect{193, 138, 209, 188}));
    // Too close to the top: below the point when below has more room.
    EXPECT_EQ(GraphLabelRect(plot, {200, 60}, 50, 16), (SRect{193, 72, 209, 425}));
    // Readout box 12 px wider, 4 px taller; left of the point near the right edge, below it
    // near the top.
    EXPECT_EQ(ReadoutRect(plot, {100, 200}, 80, 32), (SRect{105, 159, 197, 195}));
    EXPECT_EQ(ReadoutRect(plot, {500, 50}, 80, 32), (SRect{403, 55, 495, 91}));
    const QPoint points[] = {{10, 0}, {20, 0}, {30, 0}};
    EXPECT_EQ(SnapToColumn(points, 3, 1, 0), 0);
    EXPECT_EQ(SnapToColumn(points, 3, 1, 15), 1);
    EXPECT_EQ(SnapToColumn(points, 3, 1, 99), 2);
    EXPECT_EQ(SnapToColumn(points, 0, 1, 5), -1);
}

TEST(LabelFormat, EveryMode) {
    struct Case {
        double value;
        int mode;
        const char* text;
    };
    const Case cases[] = {
        {1500, 2, "1.5k"},   {25, 2, "25"},           {0.002, 2, "0.002"},   {0.0002, 2, "0.2m"},
        {0, 2, "0"},         {-2.5e6, 2, "-2.5M"},    {3e-14, 2, "0.03p"},   {1e18, 2, "1e+18"},
        {7e-6, 9, "0.007m"}, {1500, 0, "1.5E3"},      {0.0002, 0, "0.2E-3"}, {25, 0, "25"},
        {1500, 1, "1.5e3"},  {1234.5, 3, "1.23e+03"}, {12.345, 4, "12.3"},   {12.346, 5, "12.35"},
        {0.5, 6, "0.5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLabel(c.value, c.mode).toStdString(), c.text)
            << c.value << " mode " << c.mode;
    }
}

}  // namespace
}  // namespace tavik
