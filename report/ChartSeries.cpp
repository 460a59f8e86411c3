#include "report/ChartSeries.h"

#include <algorithm>
#include <cmath>

#include "platform/Time.h"

namespace tavik {

namespace {

// Collects the values of one column and appends its points to the segment being built.
class CSegmentBuilder {
public:
    CSegmentBuilder(const CTimeAxis& axis, std::int64_t start, std::int64_t secondsPerColumn)
        : m_axis(axis), m_nStart(start), m_nPerColumn(secondsPerColumn) {}

    void Add(std::int64_t time, float value) {
        const std::int64_t column = (time - m_nStart) / m_nPerColumn;
        if (m_bOpen && column != m_nColumn) {
            EndColumn();
        }
        if (!m_bOpen) {
            if (column != m_nColumn + 1 || m_segments.empty()) {
                EndSegment();
                m_segments.emplace_back();
            }
            m_nColumn = column;
            m_bOpen = true;
            m_fFirst = m_fLow = m_fHigh = value;
            m_bLowFirst = true;
            return;
        }
        if (value < m_fLow) {
            m_fLow = value;
            m_bLowFirst = false;  // the low came after the high
        }
        if (value > m_fHigh) {
            m_fHigh = value;
            m_bLowFirst = true;
        }
    }

    std::vector<CChartSegment> Finish() {
        if (m_bOpen) {
            EndColumn();
        }
        EndSegment();
        return std::move(m_segments);
    }

private:
    float ColumnX(double offset) const {
        const double time =
            static_cast<double>(m_nStart - m_axis.nMidnight) +
            (static_cast<double>(m_nColumn) + offset) * static_cast<double>(m_nPerColumn);
        return static_cast<float>(time / m_axis.nUnit);
    }

    void EndColumn() {
        CChartSegment& segment = m_segments.back();
        const float x = ColumnX(0.5);
        if (m_fLow == m_fHigh) {
            segment.x.push_back(x);
            segment.y.push_back(m_fFirst);
        } else {
            segment.x.insert(segment.x.end(), {x, x});
            if (m_bLowFirst) {
                segment.y.insert(segment.y.end(), {m_fLow, m_fHigh});
            } else {
                segment.y.insert(segment.y.end(), {m_fHigh, m_fLow});
            }
        }
        m_bOpen = false;
    }

    // A segment of one point is widened across its column.
    void EndSegment() {
        if (m_segments.empty() || m_segments.back().x.size() != 1) {
            return;
        }
        CChartSegment& segment = m_segments.back();
        segment.x = {ColumnX(0.0), ColumnX(1.0)};
        segment.y.push_back(segment.y.front());
    }

    const CTimeAxis& m_axis;
    std::int64_t m_nStart;
    std::int64_t m_nPerColumn;
    std::vector<CChartSegment> m_segments;
    std::int64_t m_nColumn = -2;
    bool m_bOpen = false;
    float m_fFirst = 0.0f;
    float m_fLow = 0.0f;
    float m_fHigh = 0.0f;
    bool m_bLowFirst = true;
};

}  // namespace

CTimeAxis MakeTimeAxis(std::uint32_t first, std::uint32_t last) {
    constexpr std::int64_t kMinuteAxisSpan = 2 * 3600;
    constexpr std::int64_t kHourAxisSpan = 8 * 3600;
    CTimeAxis axis;
    const CTime day(static_cast<std::time_t>(first));
    axis.nMidnight = CTime(day.GetYear(), day.GetMonth(), day.GetDay(), 0, 0, 0).GetTime();
    const std::int64_t end = std::int64_t{last} + 1;
    const bool minutes = end - first <= kMinuteAxisSpan;
    axis.nUnit = minutes ? 60 : (end - first <= kHourAxisSpan ? 3600 : 3 * 3600);
    const float whole = minutes ? 10.0f : 1.0f;  // the range starts and ends on these
    axis.fFrom = std::floor(axis.X(first) / whole) * whole;
    axis.fTo = std::max(axis.fFrom + whole, std::ceil(axis.X(end) / whole) * whole);
    return axis;
}

std::int64_t SecondsPerColumn(const CTimeAxis& axis, int columns) {
    const std::int64_t span = static_cast<std::int64_t>(axis.fTo - axis.fFrom) * axis.nUnit;
    return std::max<std::int64_t>(1, (span + columns - 1) / std::max(columns, 1));
}

std::vector<CEnvelopeRun> MakeEnvelope(const std::vector<CResultRecord>& seconds,
                                       float CResultRecord::*member, const CTimeAxis& axis,
                                       int columns, float low, float high) {
    const std::int64_t start = axis.nMidnight + static_cast<std::int64_t>(axis.fFrom) * axis.nUnit;
    const std::int64_t perColumn = SecondsPerColumn(axis, columns);
    std::vector<CEnvelopeRun> runs;
    std::int64_t current = -2;
    for (const CResultRecord& second : seconds) {
        const float value = second.*member;
        if (std::isnan(value)) {
            continue;
        }
        const float clamped = std::clamp(value, low, high);
        const std::int64_t column = (std::int64_t{second.m_nTimestamp} - start) / perColumn;
        if (column == current) {
            runs.back().low.back() = std::min(runs.back().low.back(), clamped);
            runs.back().high.back() = std::max(runs.back().high.back(), clamped);
            continue;
        }
        if (column != current + 1 || runs.empty()) {
            runs.emplace_back();
        }
        current = column;
        const double centre = static_cast<double>(start - axis.nMidnight) +
                              (static_cast<double>(column) + 0.5) * static_cast<double>(perColumn);
        runs.back().x.push_back(static_cast<float>(centre / axis.nUnit));
        runs.back().low.push_back(clamped);
        runs.back().high.push_back(clamped);
    }
    return runs;
}

std::vector<CChartSegment> MakeSegments(const std::vector<CResultRecord>& seconds,
                                        float CResultRecord::*member, const CTimeAxis& axis,
                                        int columns, float low, float high) {
    const std::int64_t start = axis.nMidnight + static_cast<std::int64_t>(axis.fFrom) * axis.nUnit;
    const std::int64_t perColumn = SecondsPerColumn(axis, columns);
    CSegmentBuilder builder(axis, start, perColumn);
    for (const CResultRecord& second : seconds) {
        const float value = second.*member;
        if (!std::isnan(value)) {
            builder.Add(second.m_nTimestamp, std::clamp(value, low, high));
        }
    }
    return builder.Finish();
}

}  // namespace tavik
