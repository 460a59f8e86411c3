#pragma once

#include <QPainter>
#include <QRect>
#include <QString>

#include "document/ResultRecord.h"
#include "report/DayReport.h"

namespace tavik {

// A chart of one value of the day over the time of day.
struct CTimeChartLook {
    QString strTitle;
    QString strYTitle;
    QString strYUnit;
    float CResultRecord::*pValue = nullptr;
    float fLow = 0.0f;  // y range
    float fHigh = 1.0f;
    float fLimit = 0.0f;  // the limit line
    bool bLimit = false;
};

// The day's charts painted with the chart window (CDisplay, CDeviationDisplay) into any
// painter: a PDF page here, an image in the tests. The charts get a print look: white plot,
// grey dotted grid, dark graphs, red limit lines. Seconds without a record are shaded grey
// over the plot and never joined by a graph. Throws CReportError when a chart fails to draw.
// Needs a QApplication (the charts are widgets).
namespace report_charts {

// Deviation (0..110 kHz, 75 kHz line), MPX power (0 dBr line) and multipath (2 %/kHz line).
CTimeChartLook DeviationLook();
// Their ranges cover the day's finite values.
CTimeChartLook MpxPowerLook(const CDayReport& report);
CTimeChartLook MultipathLook(const CDayReport& report);

void DrawTimeChart(QPainter& painter, const QRect& rect, const CTimeChartLook& look,
                   const CDayReport& report);
// Seconds per 1 kHz class of peak deviation, as bars, with the 75 kHz line.
void DrawDeviationDistribution(QPainter& painter, const QRect& rect, const CDayReport& report);

}  // namespace report_charts

}  // namespace tavik
