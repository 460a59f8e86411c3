#include "charts/ChartGeometry.h"

#include <climits>
#include <cmath>

namespace tavik {

namespace {

// A step candidate mantissa × 10^exponent on the 1-2-5 sequence.
struct SCandidate {
    int nExponent;
    int nMantissa;
};

SCandidate NextLarger(SCandidate c) {
    switch (c.nMantissa) {
        case 1:
            return {c.nExponent, 2};
        case 2:
            return {c.nExponent, 5};
        default:
            return {c.nExponent + 1, 1};
    }
}

SCandidate NextSmaller(SCandidate c) {
    switch (c.nMantissa) {
        case 5:
            return {c.nExponent, 2};
        case 2:
            return {c.nExponent, 1};
        default:
            return {c.nExponent - 1, 5};
    }
}

// floor(10^e × mantissa × pixels / range); negative exponents divide by the power of ten so
// that decimal ranges such as 1 over 500 px give whole pixel counts exactly.
int CandidatePixels(SCandidate c, double range, int pixels) {
    const double scaled = static_cast<double>(c.nMantissa) * pixels;
    const double value = c.nExponent >= 0 ? scaled * std::pow(10.0, c.nExponent) / range
                                          : scaled / (range * std::pow(10.0, -c.nExponent));
    const double whole = std::floor(value);
    if (!(whole < static_cast<double>(INT_MAX))) {
        return INT_MAX;
    }
    return static_cast<int>(whole);
}

// round() of the layout rules: add 0.5 and truncate.
int RoundHalfUp(double v) {
    return static_cast<int>(v + 0.5);
}

// The first tick index at or above `minimum` for ticks every `stride` steps of `step`; the
// tolerance keeps a minimum that is a multiple of the step from losing its tick to rounding.
long long FirstTickIndex(double minimum, double step, int stride) {
    const double units = minimum / (step * stride);
    return static_cast<long long>(std::ceil(units - 1e-6)) * stride;
}

}  // namespace

double STickStep::Step() const {
    return nMantissa * std::pow(10.0, nExponent);
}

STickStep FindTickStep(double range, int pixels) {
    STickStep result;
    if (!(range > 0.0) || !std::isfinite(range)) {
        return result;
    }
    pixels = pixels < 1 ? 1 : pixels;
    // Phase 1: grow from 1 until a tick is at least 10 px apart.
    SCandidate c{0, 1};
    for (;;) {
        const int p = CandidatePixels(c, range, pixels);
        result = {p, c.nExponent, c.nMantissa};
        c = NextLarger(c);
        if (p >= 10) {
            break;
        }
    }
    // Phase 2: from the candidate after the recorded one downwards while ticks exceed 20 px.
    while (result.nPixelsPerTick > 20) {
        result = {CandidatePixels(c, range, pixels), c.nExponent, c.nMantissa};
        c = NextSmaller(c);
    }
    return result;
}

SPlotGeometry ComputePlotGeometry(int width, int height, float xMin, float xMax, float yMin,
                                  float yMax) {
    SPlotGeometry g;
    g.fXMin = xMin;
    g.fXMax = xMax;
    g.fYMin = yMin;
    g.fYMax = yMax;
    g.rcPlot = {kPlotMarginLeft, kPlotMarginTop, width - kPlotMarginRight,
                height - kPlotMarginBottom};
    const double xRange = static_cast<double>(xMax) - xMin;
    const double yRange = static_cast<double>(yMax) - yMin;
    g.x = FindTickStep(xRange, g.rcPlot.Width());
    g.y = FindTickStep(yRange, g.rcPlot.Height());
    if (g.x.nPixelsPerTick > 0) {
        g.rcPlot.left = g.rcPlot.right - RoundHalfUp(xRange * g.x.nPixelsPerTick / g.x.Step()) - 1;
    }
    if (g.y.nPixelsPerTick > 0) {
        g.rcPlot.bottom = g.rcPlot.top + RoundHalfUp(yRange * g.y.nPixelsPerTick / g.y.Step()) + 1;
    }
    return g;
}

QPoint ValueToPoint(const SPlotGeometry& g, float x, float y, bool* pInRange) {
    const SRect& rc = g.rcPlot;
    int px;
    if (!(x >= g.fXMin)) {  // also NaN
        px = rc.left;
    } else if (x > g.fXMax) {
        px = rc.right;
    } else {
        px = rc.left +
             static_cast<int>(std::floor(
                 (static_cast<double>(x) - g.fXMin) * g.x.nPixelsPerTick / g.x.Step() + 0.5));
    }
    int py;
    if (!(y >= g.fYMin)) {
        py = rc.bottom - 1;
    } else if (y > g.fYMax) {
        py = rc.top - 1;
    } else {
        py = rc.bottom -
             static_cast<int>(std::floor(
                 (static_cast<double>(y) - g.fYMin) * g.y.nPixelsPerTick / g.y.Step() + 0.5)) -
             1;
    }
    if (pInRange != nullptr) {
        *pInRange = y >= g.fYMin && y <= g.fYMax;
    }
    return {px, py};
}

STickRun XTicks(const SPlotGeometry& g, bool major) {
    STickRun run;
    run.nIndexStride = major ? 5 : 1;
    run.fStep = g.x.Step();
    run.nFirstIndex = FirstTickIndex(g.fXMin, run.fStep, run.nIndexStride);
    const double offset = (run.Value(0) - g.fXMin) * g.x.nPixelsPerTick / run.fStep;
    run.nFirstPixel = g.rcPlot.left + static_cast<int>(std::floor(offset + 0.5));
    run.nPixelStride = run.nIndexStride * g.x.nPixelsPerTick;
    if (run.nPixelStride > 0 && run.nFirstPixel <= g.rcPlot.right - 1) {
        run.nCount = (g.rcPlot.right - 1 - run.nFirstPixel) / run.nPixelStride + 1;
    }
    return run;
}

STickRun YTicks(const SPlotGeometry& g, bool major) {
    STickRun run;
    run.nIndexStride = major ? 5 : 1;
    run.fStep = g.y.Step();
    run.nFirstIndex = FirstTickIndex(g.fYMin, run.fStep, run.nIndexStride);
    const double offset = (run.Value(0) - g.fYMin) * g.y.nPixelsPerTick / run.fStep;
    run.nFirstPixel = g.rcPlot.bottom - static_cast<int>(std::floor(offset + 0.5)) - 1;
    run.nPixelStride = -run.nIndexStride * g.y.nPixelsPerTick;
    if (run.nPixelStride < 0 && run.nFirstPixel >= g.rcPlot.top) {
        run.nCount = (run.nFirstPixel - g.rcPlot.top) / -run.nPixelStride + 1;
    }
    return run;
}

int ThinnedStride(const STickStep& x, float x0, float x1) {
    const double spacing = std::fabs(static_cast<double>(x0) - x1);
    if (!(spacing > 0.0) || x.nPixelsPerTick <= 0) {
        return 1;
    }
    const double stride = (x.Step() / x.nPixelsPerTick) / spacing;
    if (!(stride >= 1.0)) {
        return 1;
    }
    return stride < static_cast<double>(INT_MAX) ? static_cast<int>(stride) : INT_MAX;
}

SRect GraphLabelRect(const SRect& plot, QPoint point, int textLength, int textHeight) {
    SRect rc;
    rc.left = point.x() - 7;
    rc.right = rc.left + textHeight;
    if (point.y() - plot.top > textLength + 17) {
        rc.bottom = point.y() - 12;
        rc.top = rc.bottom - textLength;
    } else if (point.y() - plot.top >= plot.bottom - point.y()) {
        rc.top = plot.top + 5;
        rc.bottom = point.y() - 12;
    } else {
        rc.top = point.y() + 12;
        rc.bottom = plot.bottom - 5;
    }
    return rc;
}

SRect ReadoutRect(const SRect& plot, QPoint point, int textWidth, int textHeight) {
    const int width = textWidth + 12;
    const int height = textHeight + 4;
    SRect rc;
    rc.left = point.x() + 5 + width + 22 <= plot.right ? point.x() + 5 : point.x() - 5 - width;
    rc.right = rc.left + width;
    rc.top = point.y() - plot.top < textHeight + 10 ? point.y() + 5 : point.y() - 5 - height;
    rc.bottom = rc.top + height;
    return rc;
}

int SnapToColumn(const QPoint* points, int groupCount, int groupSize, int column) {
    for (int g = 0; g < groupCount; ++g) {
        if (points[g * groupSize].x() >= column) {
            return g;
        }
    }
    return groupCount - 1;
}

}  // namespace tavik
