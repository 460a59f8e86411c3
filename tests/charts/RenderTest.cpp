// Pixels of rendered charts and meters that a slip in layout, layering or colours would move.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "charts/Display.h"
#include "charts/LevelMeter.h"

namespace tavik {
namespace {

// A chart or a meter rendered into an image of its own.
template <class Widget>
QImage Rendered(Widget& widget, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    widget.Render(&painter, QRect(0, 0, width, height));
    return image;
}

void Settle(CLevelMeter& meter) {
    while (meter.IsTimerActive(CLevelMeter::TIMER_ANIMATION)) {
        meter.OnTimer(CLevelMeter::TIMER_ANIMATION);
    }
}

const QColor kPlotBlue(0x40, 0x40, 0xFF);  // 0xFF4040
const QColor kYellow(0xFF, 0xFF, 0x00);    // 0x00FFFF
const QColor kRed(0xFF, 0x00, 0x00);

TEST(ChartRendering, PlotFrameGridLimitLineGraphAndReadout) {
    CDisplay chart;
    float x[101];
    float y[101];
    for (int i = 0; i <= 100; ++i) {
        x[i] = static_cast<float>(i);
        y[i] = 50.0f;
    }
    chart.AddGraph(x, y, true, 101, QStringLiteral("flat"));
    chart.ShowGraph(1);
    chart.AddLine(1, 30.0f, 30.0f, 0.0f, 100.0f, RGB(255, 0, 0), 1);
    QImage image = Rendered(chart, 592, 480);
    // 500 px of starting width: the plot is columns 61..561, rows 30..430.
    const SRect rc = chart.GetGeometry().rcPlot;
    ASSERT_EQ(rc, (SRect{61, 30, 562, 431}));
    EXPECT_EQ(image.pixelColor(86, 80), kPlotBlue);
    EXPECT_EQ(image.pixelColor(rc.left, 80), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(rc.left - 1, 80), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(rc.right - 1, 80), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(rc.right, 80), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(86, rc.top), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(86, rc.bottom - 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(111, rc.bottom - 9), QColor(Qt::black));  // major tick at 10
    // The limit line at x = 30 is column 61 + 150.
    EXPECT_EQ(image.pixelColor(211, 80), kRed);
    EXPECT_EQ(image.pixelColor(210, 80), kPlotBlue);
    EXPECT_EQ(image.pixelColor(212, 80), kPlotBlue);
    // The graph at y = 50 (row 230) is drawn over the grid and the line.
    EXPECT_EQ(image.pixelColor(86, 230), kYellow);
    EXPECT_EQ(image.pixelColor(211, 230), kYellow);
    EXPECT_EQ(image.pixelColor(86, 229), kPlotBlue);
    // Dotted white grid on the major tick at x = 10.
    int white = 0;
    for (int row = 40; row < 60; ++row) {
        white += image.pixelColor(111, row) == QColor(Qt::white) ? 1 : 0;
    }
    EXPECT_GT(white, 3);
    EXPECT_LT(white, 17);

    // New data redraw over the cached background; a new look rebuilds it.
    for (float& v : y) {
        v = 70.0f;
    }
    chart.SetPlotColor(RGB(0, 128, 0));
    image = Rendered(chart, 592, 480);
    EXPECT_EQ(image.pixelColor(86, 80), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(86, 150), kYellow);
    EXPECT_NE(image.pixelColor(86, 230), kYellow);

    // The readout box (black) sits 5 px above-right of the snapped cursor point.
    chart.OnCommand(2001);
    chart.UpdateCursorPosition(300);
    image = Rendered(chart, 592, 480);
    const QPoint p = chart.ValueToPoint(48, 70);
    EXPECT_EQ(chart.GetCursorColumn(), p.x());
    EXPECT_EQ(image.pixelColor(p.x() + 6, p.y() - 6), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(p.x() + 4, p.y() - 6), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(p.x() + 5, p.y()), QColor(Qt::black));  // cross arm
    EXPECT_EQ(image.pixelColor(p.x() + 1, p.y()), kYellow);            // gap: the graph
}

TEST(MeterRendering, SegmentsZonesPeakAndLamp) {
    CLevelMeter meter;
    meter.SetMeterActive(true);
    meter.SetPeakHold(true, 0);
    meter.SetOverloadLamp(true);
    meter.SetLevel(80.0f);  // 96 segments
    Settle(meter);
    meter.SetLevel(20.0f);  // 24 segments, peak stays at 96
    Settle(meter);
    QImage image = Rendered(meter, 60, 310);
    // Segment i is row 259 - 2i, columns 1..13 of the bar at 0..14.
    auto segment = [&image](int i) { return image.pixelColor(7, 259 - 2 * i); };
    const QColor green(0x99, 0xFF, 0x99);
    const QColor lightRed(0xFF, 0x99, 0x99);
    const QColor mark(0xA5, 0x75, 0x90);
    const QColor dark(0x40, 0x10, 0x20);
    EXPECT_EQ(segment(0), green);
    EXPECT_EQ(segment(23), green);
    EXPECT_EQ(segment(24), mark);  // unlit scale mark (every 12th)
    EXPECT_EQ(segment(25), dark);
    EXPECT_EQ(segment(95), lightRed);  // the peak
    EXPECT_EQ(segment(94), dark);
    EXPECT_EQ(segment(100), QColor(0x70, 0x30, 0x50));     // unlit warning zone
    EXPECT_EQ(segment(110), mark);                         // unlit alarm zone
    EXPECT_EQ(image.pixelColor(7, 258), QColor(2, 2, 2));  // gap
    EXPECT_EQ(image.pixelColor(0, 100), QColor(0xA0, 0xA0, 0xA0));
    EXPECT_EQ(image.pixelColor(14, 100), QColor(0xF5, 0xF5, 0xF5));
    EXPECT_EQ(image.pixelColor(7, 10), dark);  // lamp off

    meter.SetLevel(100.0f);
    Settle(meter);
    image = Rendered(meter, 60, 310);
    EXPECT_EQ(segment(50), green);
    EXPECT_EQ(segment(100), QColor(0xF9, 0xE0, 0xB0));  // lit warning zone
    EXPECT_EQ(segment(110), lightRed);                  // lit alarm zone
    EXPECT_EQ(image.pixelColor(7, 10), lightRed);       // overload lamp
    EXPECT_NE(image.pixelColor(7, 17), lightRed);       // rows 7..16 only
    EXPECT_NE(image.pixelColor(7, 6), lightRed);
}

}  // namespace
}  // namespace tavik
