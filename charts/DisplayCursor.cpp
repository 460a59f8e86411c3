// The marker cursor, its readout box and the mouse.
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include "charts/Display.h"
#include "charts/LabelFormat.h"

namespace tavik {

namespace {

// Cross arms: 8 px long, leaving 2 px free on each side of the point.
constexpr int kCrossGap = 2;
constexpr int kCrossArm = 8;
// The two small arrows: tip on the axis, 4 px high, 7 px wide.
constexpr int kArrowLength = 4;
constexpr int kArrowHalfWidth = 3;

}  // namespace

bool CDisplay::FindCursorSample(const SGraph& graph, int column, QPoint* point, int* sample) const {
    const int index = SnapToColumn(graph.points.data(), graph.nDrawn, 1, column);
    if (index < 0) {
        return false;
    }
    *point = graph.points[static_cast<std::size_t>(index)];
    *sample = (index + graph.nFirstDrawn) * graph.nStride;
    return *sample < graph.nCount;
}

QString CDisplay::ReadoutText(float x, float y) {
    return m_strXTitle + QStringLiteral(": ") + FormatLabel(x) + m_strXUnit + QStringLiteral("\n") +
           m_strYTitle + QStringLiteral(": ") + FormatLabel(y) + m_strYUnit;
}

void CDisplay::DrawCursor(QPainter& dc) {
    const SGraph* graph = FindGraph(m_nMarkerGraph);
    if (graph == nullptr || !graph->bVisible) {
        return;
    }
    QPoint p;
    int sample = 0;
    if (!FindCursorSample(*graph, m_nCursorColumn, &p, &sample)) {
        return;
    }
    m_nCursorColumn = p.x();
    const SRect& rc = m_geometry.rcPlot;
    const QColor cursor = m_penCursor.color();
    const int inner = kCrossGap + 1;
    const int outer = kCrossGap + kCrossArm;
    dc.fillRect(p.x() - outer, p.y(), kCrossArm, 1, cursor);
    dc.fillRect(p.x() + inner, p.y(), kCrossArm, 1, cursor);
    dc.fillRect(p.x(), p.y() - outer, 1, kCrossArm, cursor);
    dc.fillRect(p.x(), p.y() + inner, 1, kCrossArm, cursor);
    // An upward arrow under the bottom edge and a right-pointing one left of the left edge.
    dc.setPen(m_penCursor);
    dc.setBrush(cursor);
    const QPoint up[] = {{p.x(), rc.bottom},
                         {p.x() - kArrowHalfWidth, rc.bottom + kArrowLength},
                         {p.x() + kArrowHalfWidth, rc.bottom + kArrowLength}};
    dc.drawPolygon(up, 3);
    const QPoint right[] = {{rc.left - 1, p.y()},
                            {rc.left - 1 - kArrowLength, p.y() - kArrowHalfWidth},
                            {rc.left - 1 - kArrowLength, p.y() + kArrowHalfWidth}};
    dc.drawPolygon(right, 3);
    dc.setBrush(Qt::NoBrush);
    if (!m_bReadoutOn) {
        return;
    }
    const QString text = ReadoutText(graph->pXData[sample], graph->pYData[sample]);
    const QFontMetrics metrics(m_fontReadout);
    const QRect textBox = metrics.boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft, text);
    const SRect box = ReadoutRect(rc, p, textBox.width(), textBox.height());
    dc.setPen(m_penReadout);
    dc.setBrush(m_brReadout);
    dc.drawRect(box.left, box.top, box.Width() - 1, box.Height() - 1);
    dc.setBrush(Qt::NoBrush);
    dc.setPen(ColorFromRef(m_crLabel));
    dc.setFont(m_fontReadout);
    dc.drawText(box.ToQRect(), Qt::AlignCenter, text);
}

void CDisplay::mouseMoveEvent(QMouseEvent* event) {
    if (m_bMarkerOn) {
        UpdateCursorPosition(event->position().toPoint().x());
    }
    QWidget::mouseMoveEvent(event);
}

void CDisplay::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        for (const SGraph& graph : m_graphs) {
            for (const SGraphLabel& label : graph.labels) {
                if (label.rcLast.Contains(at)) {
                    OnLabelClicked(label.strText, label.fX);
                    return;
                }
            }
        }
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace tavik
