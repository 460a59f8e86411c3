#pragma once

#include <cstdint>
#include <vector>

#include "document/ResultRecord.h"

namespace tavik {

// The time axis of the day charts since the local midnight of the first second: in minutes for
// a span up to two hours (from and to whole ten minutes), in hours up to eight hours, beyond
// that in units of three hours, so that the labelled ticks fall every 3 h on a long day and
// every hour (or half hour) on a shorter one.
struct CTimeAxis {
    std::int64_t nMidnight = 0;  // seconds since 1970 (UTC) of local 00:00 of the first day
    int nUnit = 3600;            // seconds per axis unit: 60 or 3600
    float fFrom = 0.0f;          // axis units
    float fTo = 1.0f;

    float X(std::int64_t time) const {
        return static_cast<float>(static_cast<double>(time - nMidnight) / nUnit);
    }
};

CTimeAxis MakeTimeAxis(std::uint32_t first, std::uint32_t last);

// One connected piece of a graph in chart units (axis unit, value).
struct CChartSegment {
    std::vector<float> x;
    std::vector<float> y;
};

// The points of one value of the day's seconds for a chart `columns` pixels wide. With at least
// one column per second every second is a point; otherwise each column holds the lowest and the
// highest value of its seconds (in the order they came), so no peak is lost to thinning. A
// column or second without a value (NaN or no record) ends a segment: gaps stay gaps. A single
// point becomes a short level line across its column so that it shows. Values are clamped into
// [low, high], so that infinities are drawn at the chart's edge.
// One run of neighbouring pixel columns of a long day: the lowest and the highest value of each
// column's seconds, at the column's centre (axis units), for a min/max envelope that looks the
// same however the seconds fall into columns.
struct CEnvelopeRun {
    std::vector<float> x;
    std::vector<float> low;
    std::vector<float> high;
};

// Seconds per pixel column of a chart `columns` wide over the axis; at least 1.
std::int64_t SecondsPerColumn(const CTimeAxis& axis, int columns);

// The envelope of one value; as MakeSegments, a column without a value ends a run.
std::vector<CEnvelopeRun> MakeEnvelope(const std::vector<CResultRecord>& seconds,
                                       float CResultRecord::*member, const CTimeAxis& axis,
                                       int columns, float low, float high);

std::vector<CChartSegment> MakeSegments(const std::vector<CResultRecord>& seconds,
                                        float CResultRecord::*member, const CTimeAxis& axis,
                                        int columns, float low, float high);

}  // namespace tavik
