#pragma once

#include <QPoint>
#include <QRect>

namespace tavik {

// A rectangle in client pixels with exclusive right and bottom edges, as the chart's layout
// rules count them: the frame drawn around it covers columns left..right-1, rows top..bottom-1.
struct SRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(QPoint p) const {
        return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
    }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const SRect&) const = default;
};

// A minor tick step of mantissa × 10^exponent (mantissa 1, 2 or 5) and its pixel distance.
struct STickStep {
    int nPixelsPerTick = 0;
    int nExponent = 0;
    int nMantissa = 1;

    double Step() const;
    bool operator==(const STickStep&) const = default;
};

// The 1-2-5 step for `range` units over `pixels`: phase 1 grows the step from 1 until a tick
// is at least 10 px apart; phase 2 refines small ranges until a tick is at most 20 px apart.
STickStep FindTickStep(double range, int pixels);

// Margins of the starting plot rectangle inside the client area.
inline constexpr int kPlotMarginLeft = 62;
inline constexpr int kPlotMarginTop = 30;
inline constexpr int kPlotMarginRight = 30;
inline constexpr int kPlotMarginBottom = 50;

// Everything the drawing derives from the client size and the axis ranges.
struct SPlotGeometry {
    SRect rcPlot;
    STickStep x;
    STickStep y;
    float fXMin = 0.0f;
    float fXMax = 100.0f;
    float fYMin = 0.0f;
    float fYMax = 100.0f;
};

// The plot shrunk to whole ticks, keeping its right and top edges.
SPlotGeometry ComputePlotGeometry(int width, int height, float xMin, float xMax, float yMin,
                                  float yMax);

// The pixel of a value; values outside the ranges are pinned to the edges (x above the maximum
// to the right edge, y above the maximum one row above the plot). `pInRange` tells whether y
// lies within its range.
QPoint ValueToPoint(const SPlotGeometry& g, float x, float y, bool* pInRange = nullptr);

// A run of ticks: values index × step for index = nFirstIndex, nFirstIndex + nIndexStride ...,
// at pixels nFirstPixel, nFirstPixel ± nPixelStride ... (x to the right, y upwards).
struct STickRun {
    long long nFirstIndex = 0;
    int nIndexStride = 1;
    double fStep = 1.0;
    int nFirstPixel = 0;
    int nPixelStride = 0;
    int nCount = 0;

    double Value(int k) const {
        return static_cast<double>(nFirstIndex + static_cast<long long>(k) * nIndexStride) * fStep;
    }
    int Pixel(int k) const { return nFirstPixel + k * nPixelStride; }
};

// Minor (every step) or major (every fifth step) ticks inside the plot.
STickRun XTicks(const SPlotGeometry& g, bool major);
STickRun YTicks(const SPlotGeometry& g, bool major);

// Samples to step over so that a thinned graph draws about one sample per pixel column.
int ThinnedStride(const STickStep& x, float x0, float x1);

// Where a graph label of `textLength` px (running upwards) and `textHeight` px goes for a
// point: a column starting 7 px left of the point, ending 12 px above it when there is room,
// else on the side of the point with more room, up to 5 px inside the plot.
SRect GraphLabelRect(const SRect& plot, QPoint point, int textLength, int textHeight);

// The readout box for a text of the given size: 12 px wider and 4 px taller, 5 px right of
// the point when it fits with 22 px to spare before the right edge, else 5 px left; below the
// point when the point is within text height + 10 px of the top, else above.
SRect ReadoutRect(const SRect& plot, QPoint point, int textWidth, int textHeight);

// The group (of `groupSize` points) whose first point is the first at or right of `column`,
// else the last group; -1 when there is none.
int SnapToColumn(const QPoint* points, int groupCount, int groupSize, int column);

}  // namespace tavik
