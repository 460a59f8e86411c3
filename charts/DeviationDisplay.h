#pragma once

#include "charts/Display.h"

namespace tavik {

// The points of one sample's step, mapped to pixels: (x[i], y[i]), (x[next], y[i]), with bars
// (x[next], 0), then (x[next], y[next]). `next` is the following drawn sample, or -1 for the
// last one, whose group repeats its own point so that its step ends at the last class.
// Writes 3 points (4 with bars).
void StepPoints(const SPlotGeometry& geometry, const float* x, const float* y, long long i,
                long long next, bool bars, QPoint* out);

// The chart of the deviation view: graphs drawn as step curves over deviation classes,
// optionally as bars down to the zero line (a histogram). Everything else is the chart's.
class CDeviationDisplay : public CDisplay {
    Q_OBJECT

public:
    using CDisplay::AddGraph;
    using CDisplay::CDisplay;

    // As the chart's AddGraph, with each class drawn as a bar when `bars` is set.
    int AddGraph(const float* xData, const float* yData, bool thinned, int count,
                 const QString& name, bool bars);

    // x by label format 2, y by format 4 ("%.1f"); the chart's format is 2 afterwards.
    QString ReadoutText(float x, float y) override;

protected:
    void PaintGraphs(QPainter& dc, QSize size) override;
    bool FindCursorSample(const SGraph& graph, int column, QPoint* point,
                          int* sample) const override;
    const char* DrawDataFailureLine() const override;
    int PointsPerSample(const SGraph& graph) const override;

private:
    void PaintSteps(QPainter& dc, SGraph& graph);
};

}  // namespace tavik
