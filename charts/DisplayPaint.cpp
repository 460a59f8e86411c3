// Painting of the chart: the cached background layer and the graphs over it.
#include <QFontMetrics>
#include <QPainter>

#include "charts/Display.h"
#include "charts/MemDC.h"

namespace tavik {

namespace {

// Pixel distance below which a major tick's label stands in for the axis end's own label.
constexpr int kXEndLabelDistance = 30;
constexpr int kYEndLabelDistance = 15;
// Half the width of the box a horizontal text is centred or right-aligned in.
constexpr int kTextSpan = 2000;
constexpr int kSmallestTitlePixels = 10;

// Draws `text` reading upwards inside `rc`, from its bottom or (alignTop) up to its top.
void DrawVerticalText(QPainter& dc, const SRect& rc, const QString& text, bool alignTop) {
    dc.save();
    dc.translate(rc.left, rc.bottom);
    dc.rotate(-90.0);
    const Qt::Alignment along = alignTop ? Qt::AlignRight : Qt::AlignLeft;
    dc.drawText(QRect(0, 0, rc.Height(), rc.Width()), along | Qt::AlignVCenter, text);
    dc.restore();
}

}  // namespace

void CDisplay::PaintGraphs(QPainter& dc, QSize size) {
    PaintBackground(dc, size);
    for (SGraph& graph : m_graphs) {
        if (graph.bVisible) {
            PaintGraph(dc, graph);
        }
    }
}

void CDisplay::PaintBackground(QPainter& dc, QSize size) {
    if (CMemDC::IsVectorTarget(dc)) {
        PaintBackgroundLayer(dc, size);
        return;
    }
    const qreal ratio = dc.device() != nullptr ? dc.device()->devicePixelRatio() : 1.0;
    const QSize pixels = size * ratio;
    if (!m_bBackgroundValid || m_imgBackground.size() != pixels ||
        m_imgBackground.devicePixelRatio() != ratio) {
        if (m_imgBackground.size() != pixels) {
            m_imgBackground = QImage(pixels, QImage::Format_RGB32);
        }
        m_imgBackground.setDevicePixelRatio(ratio);
        QPainter layer(&m_imgBackground);
        PaintBackgroundLayer(layer, size);
        m_bBackgroundValid = true;
    }
    dc.drawImage(QPoint(0, 0), m_imgBackground);
}

void CDisplay::PaintBackgroundLayer(QPainter& dc, QSize size) {
    const SRect& rc = m_geometry.rcPlot;
    dc.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Button));
    dc.fillRect(rc.ToQRect(), m_brPlot);
    // The frame covers columns left and right - 1, rows top and bottom - 1.
    const QColor axis = m_penAxis.color();
    dc.fillRect(rc.left, rc.top, rc.Width(), 1, axis);
    dc.fillRect(rc.left, rc.bottom - 1, rc.Width(), 1, axis);
    dc.fillRect(rc.left, rc.top, 1, rc.Height(), axis);
    dc.fillRect(rc.right - 1, rc.top, 1, rc.Height(), axis);
    DrawTicksAndGrid(dc);
    DrawLines(dc);
    DrawTexts(dc);
    DrawTickLabels(dc);
}

void CDisplay::DrawTicksAndGrid(QPainter& dc) {
    const SRect& rc = m_geometry.rcPlot;
    const QColor axis = m_penAxis.color();
    // x minor ticks span rows bottom - 4 .. bottom + 1, majors bottom - 9 .. bottom - 1; y minor
    // ticks columns left - 2 .. left + 3, majors left - 2 .. left + 8.
    const STickRun xMinor = XTicks(m_geometry, false);
    for (int k = 0; k < xMinor.nCount; ++k) {
        dc.fillRect(xMinor.Pixel(k), rc.bottom - 4, 1, 6, axis);
    }
    const STickRun xMajor = XTicks(m_geometry, true);
    for (int k = 0; k < xMajor.nCount; ++k) {
        dc.fillRect(xMajor.Pixel(k), rc.bottom - 9, 1, 9, axis);
    }
    const STickRun yMinor = YTicks(m_geometry, false);
    for (int k = 0; k < yMinor.nCount; ++k) {
        dc.fillRect(rc.left - 2, yMinor.Pixel(k), 6, 1, axis);
    }
    const STickRun yMajor = YTicks(m_geometry, true);
    for (int k = 0; k < yMajor.nCount; ++k) {
        dc.fillRect(rc.left - 2, yMajor.Pixel(k), 11, 1, axis);
    }
    if (!m_bGridOn || m_penGrid.style() == Qt::NoPen) {
        return;
    }
    dc.setPen(m_penGrid);
    dc.setBackgroundMode(Qt::TransparentMode);
    for (int k = 0; k < xMajor.nCount; ++k) {
        const int x = xMajor.Pixel(k);
        if (x != rc.left && x != rc.right - 1) {
            dc.drawLine(x, rc.top + 1, x, rc.bottom - 2);
        }
    }
    for (int k = 0; k < yMajor.nCount; ++k) {
        const int y = yMajor.Pixel(k);
        if (y != rc.top && y != rc.bottom - 1) {
            dc.drawLine(rc.left + 1, y, rc.right - 2, y);
        }
    }
}

void CDisplay::DrawLines(QPainter& dc) {
    for (const SLine& line : m_lines) {
        dc.setPen(line.pen);
        dc.drawLine(ValueToPoint(line.fX1, line.fY1), ValueToPoint(line.fX2, line.fY2));
    }
}

void CDisplay::DrawTexts(QPainter& dc) {
    const SRect& rc = m_geometry.rcPlot;
    dc.setPen(m_penAxis.color());
    dc.setFont(m_fontTitle);
    const int titleHeight = QFontMetrics(m_fontTitle).height();
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    // The title is centred over the plot; one wider than the plot keeps clear of the y unit at
    // the plot's top left and uses the chart's width, elided only when even that is too small.
    // A title too wide for the room right of the unit is drawn smaller, down to 10 px.
    const int unitEnd = rc.left + QFontMetrics(m_fontUnit).horizontalAdvance(m_strYUnit) + 8;
    QFont titleFont = m_fontTitle;
    while (QFontMetrics(titleFont).horizontalAdvance(m_strTitle) > m_nChartWidth - unitEnd &&
           titleFont.pixelSize() > kSmallestTitlePixels) {
        titleFont.setPixelSize(titleFont.pixelSize() - 1);
    }
    dc.setFont(titleFont);
    const QFontMetrics titleMetrics(titleFont);
    const int titleWidth = titleMetrics.horizontalAdvance(m_strTitle);
    int titleLeft = (rc.left + rc.right) / 2 - titleWidth / 2;
    titleLeft = std::max(std::min(titleLeft, m_nChartWidth - titleWidth), unitEnd);
    const int titleRoom = std::max(0, m_nChartWidth - titleLeft);
    dc.drawText(QRect(titleLeft, rc.top - 20, titleRoom, titleHeight), Qt::AlignLeft | Qt::AlignTop,
                titleMetrics.elidedText(m_strTitle, Qt::ElideRight, titleRoom));
    dc.setFont(m_fontTitle);
    dc.drawText(QRect(rc.left, rc.bottom + 25, rc.Width(), titleHeight), centred, m_strXTitle);

    // The y title reads upwards; its top faces left, 45 px left of the plot.
    dc.setFont(m_fontVerticalTitle);
    dc.save();
    dc.translate(rc.left - 45, (rc.top + rc.bottom) / 2);
    dc.rotate(-90.0);
    dc.drawText(QRect(-kTextSpan, 0, 2 * kTextSpan, QFontMetrics(m_fontVerticalTitle).height()),
                centred, m_strYTitle);
    dc.restore();

    dc.setFont(m_fontUnit);
    dc.drawText(QPoint(rc.right + kUnitGap, rc.bottom - 15 + QFontMetrics(m_fontUnit).ascent()),
                m_strXUnit);
    dc.drawText(QPoint(rc.left, rc.top - 19 + QFontMetrics(m_fontUnit).ascent()), m_strYUnit);
}

void CDisplay::DrawTickLabels(QPainter& dc) {
    const SRect& rc = m_geometry.rcPlot;
    dc.setPen(m_penAxis.color());
    dc.setFont(m_fontTick);
    const int height = QFontMetrics(m_fontTick).height();
    // x labels centred 5 px below the plot; y labels right-aligned 5 px left of it, their top
    // 6 px above the tick.
    auto xLabel = [&](int x, double value) {
        dc.drawText(QRect(x - kTextSpan, rc.bottom + 5, 2 * kTextSpan, height),
                    Qt::AlignHCenter | Qt::AlignTop, XTickLabel(value));
    };
    auto yLabel = [&](int y, double value) {
        dc.drawText(QRect(rc.left - 5 - kTextSpan, y - 6, kTextSpan, height),
                    Qt::AlignRight | Qt::AlignTop, FormatLabel(value));
    };
    const STickRun x = XTicks(m_geometry, true);
    for (int k = 0; k < x.nCount; ++k) {
        xLabel(x.Pixel(k), x.Value(k));
    }
    if (x.nCount == 0 || x.Pixel(0) - rc.left > kXEndLabelDistance) {
        xLabel(rc.left, m_fXMin);
    }
    if (x.nCount == 0 || rc.right - 1 - x.Pixel(x.nCount - 1) > kXEndLabelDistance) {
        xLabel(rc.right - 1, m_fXMax);
    }
    const STickRun y = YTicks(m_geometry, true);
    for (int k = 0; k < y.nCount; ++k) {
        yLabel(y.Pixel(k), y.Value(k));
    }
    if (y.nCount == 0 || rc.bottom - 1 - y.Pixel(0) > kYEndLabelDistance) {
        yLabel(rc.bottom - 1, m_fYMin);
    }
    if (y.nCount == 0 || y.Pixel(y.nCount - 1) - rc.top > kYEndLabelDistance) {
        yLabel(rc.top, m_fYMax);
    }
}

void CDisplay::PaintGraph(QPainter& dc, SGraph& graph) {
    graph.nStride = graph.bThinned && graph.nCount >= 2
                        ? ThinnedStride(m_geometry.x, graph.pXData[0], graph.pXData[1])
                        : 1;
    graph.nFirstDrawn = 0;
    graph.nDrawn = 0;
    ResetLabelRects(graph);
    std::size_t nextLabel = 0;
    for (long long i = 0; i < graph.nCount; i += graph.nStride) {
        const float x = graph.pXData[i];
        if (x < m_fXMin) {
            ++graph.nFirstDrawn;
            continue;
        }
        if (x > m_fXMax) {
            continue;
        }
        const QPoint point = ValueToPoint(x, graph.pYData[i]);
        graph.points[static_cast<std::size_t>(graph.nDrawn++)] = point;
        DrawLabelsUpTo(dc, graph, nextLabel, x, point);
    }
    dc.setPen(graph.pen);
    dc.drawPolyline(graph.points.data(), graph.nDrawn);
}

void CDisplay::DrawLabelsUpTo(QPainter& dc, SGraph& graph, std::size_t& nextLabel, float x,
                              QPoint point) {
    if (nextLabel >= graph.labels.size() || graph.labels[nextLabel].fX > x) {
        return;
    }
    dc.setFont(m_fontLabel);
    dc.setPen(ColorFromRef(m_crLabel));
    const QFontMetrics metrics(m_fontLabel);
    for (; nextLabel < graph.labels.size() && graph.labels[nextLabel].fX <= x; ++nextLabel) {
        SGraphLabel& label = graph.labels[nextLabel];
        label.rcLast = GraphLabelRect(m_geometry.rcPlot, point,
                                      metrics.horizontalAdvance(label.strText), metrics.height());
        DrawVerticalText(dc, label.rcLast, label.strText, label.rcLast.top > point.y());
    }
}

}  // namespace tavik
