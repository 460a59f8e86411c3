#pragma once

#include <array>
#include <vector>

#include <QString>

#include "charts/ChartGeometry.h"

namespace tavik {

// Segments of the bar; scale marks are kept for this many.
inline constexpr int kMeterSegments = 120;

// The bar inside the meter rectangle: 20 px from the left with the scale on the left (or
// `labelSpace` when its widest label needs more), else at the left edge; top 19 px down (plus
// `titleExtra` for the lines of a title beyond the first) plus what does not divide into whole
// segments, bottom 49 px up, so that its height is 2 px (the frame) more than a multiple of
// the segments.
SRect MeterBarRect(const SRect& meter, int segments, bool scaleLeft, int barWidth,
                   int labelSpace = 0, int titleExtra = 0);

// Segment `index` (0 at the bottom) inside the bar's frame: (bar height / segments) - 1 rows
// with a 1 px gap above.
SRect SegmentRect(const SRect& bar, int segments, int index);

// Segments lit for a value (already shifted by +10 in scale mode 2): 0 at or below the
// minimum, all at or above the maximum, mode 1 piecewise linear through its marks, other modes
// linear over the range.
int SegmentsForLevel(int mode, float value, float minimum, float maximum, int segments);

// The segment of a mode-1 scale value, at its fraction of (segments - 1).
int Mode1Segment(double value, int segments);

// Label step and offset of the first mark of scale mode 3 (whole units).
struct SMode3Ticks {
    int nTickStep = 1;
    int nTickOffset = 0;
};
SMode3Ticks Mode3TickStep(float minimum, float maximum);

struct SScaleLabel {
    int nSegment = 0;
    QString strText;
};

// What a scale mode prints beside the bar.
struct SMeterScale {
    std::array<bool, kMeterSegments> marks{};
    std::vector<SScaleLabel> labels;
};
SMeterScale BuildMeterScale(int mode, float minimum, float maximum, int segments, SMode3Ticks ticks,
                            bool alarmLabel);

// The first segment of an alarm or warning zone that starts at `value` (the user's value,
// dBr in mode 2).
int ZoneSegment(int mode, int value, float minimum, float maximum, int segments);

}  // namespace tavik
