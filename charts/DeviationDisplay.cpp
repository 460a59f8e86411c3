#include "charts/DeviationDisplay.h"

#include <QPainter>

#include "charts/LabelFormat.h"

namespace tavik {

void StepPoints(const SPlotGeometry& geometry, const float* x, const float* y, long long i,
                long long next, bool bars, QPoint* out) {
    const QPoint own = ValueToPoint(geometry, x[i], y[i]);
    *out++ = own;
    if (next < 0) {
        *out++ = own;
        if (bars) {
            *out++ = own;
        }
        *out = own;
        return;
    }
    *out++ = ValueToPoint(geometry, x[next], y[i]);
    if (bars) {
        *out++ = ValueToPoint(geometry, x[next], 0.0f);
    }
    *out = ValueToPoint(geometry, x[next], y[next]);
}

int CDeviationDisplay::AddGraph(const float* xData, const float* yData, bool thinned, int count,
                                const QString& name, bool bars) {
    return AddGraphRecord(xData, yData, thinned, count, name, bars);
}

int CDeviationDisplay::PointsPerSample(const SGraph& graph) const {
    return graph.bBars ? 4 : 3;
}

const char* CDeviationDisplay::DrawDataFailureLine() const {
    return "in CDeviationDisplay::DrawData()\n";
}

void CDeviationDisplay::PaintGraphs(QPainter& dc, QSize size) {
    PaintBackground(dc, size);
    for (SGraph& graph : GraphRecords()) {
        if (graph.bVisible) {
            PaintSteps(dc, graph);
        }
    }
}

void CDeviationDisplay::PaintSteps(QPainter& dc, SGraph& graph) {
    const SPlotGeometry& geometry = GetGeometry();
    const int group = PointsPerSample(graph);
    graph.nStride = graph.bThinned && graph.nCount >= 2
                        ? ThinnedStride(geometry.x, graph.pXData[0], graph.pXData[1])
                        : 1;
    graph.nFirstDrawn = 0;
    graph.nDrawn = 0;
    ResetLabelRects(graph);
    std::size_t nextLabel = 0;
    for (long long i = 0; i < graph.nCount; i += graph.nStride) {
        const float x = graph.pXData[i];
        if (x < geometry.fXMin) {
            ++graph.nFirstDrawn;
            continue;
        }
        if (x > geometry.fXMax) {
            continue;
        }
        const long long next = i + graph.nStride < graph.nCount ? i + graph.nStride : -1;
        QPoint* out = graph.points.data() + graph.nDrawn;
        StepPoints(geometry, graph.pXData, graph.pYData, i, next, graph.bBars, out);
        graph.nDrawn += group;
        DrawLabelsUpTo(dc, graph, nextLabel, x, out[group - 1]);
    }
    dc.setPen(graph.pen);
    dc.drawPolyline(graph.points.data(), graph.nDrawn);
}

bool CDeviationDisplay::FindCursorSample(const SGraph& graph, int column, QPoint* point,
                                         int* sample) const {
    const int group = PointsPerSample(graph);
    const int index = SnapToColumn(graph.points.data(), graph.nDrawn / group, group, column);
    if (index < 0) {
        return false;
    }
    *point = graph.points[static_cast<std::size_t>(index) * group];
    *sample = (index + graph.nFirstDrawn) * graph.nStride;
    return *sample < graph.nCount;
}

QString CDeviationDisplay::ReadoutText(float x, float y) {
    const QString xText = tavik::FormatLabel(x, 2);
    const QString yText = tavik::FormatLabel(y, 4);
    if (GetLabelFormat() != 2) {
        SetLabelFormat(2);
    }
    return GetXTitle() + QStringLiteral(": ") + xText + GetXUnit() + QStringLiteral("\n") +
           GetYTitle() + QStringLiteral(": ") + yText + GetYUnit();
}

}  // namespace tavik
