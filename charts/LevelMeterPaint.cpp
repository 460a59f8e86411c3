// Painting of the level meter.
#include <cstdlib>

#include <QFontMetrics>
#include <QPainter>

#include "charts/LevelMeter.h"
#include "charts/MemDC.h"
#include "platform/GenericException.h"
#include "platform/Prompt.h"

namespace tavik {

namespace {

constexpr COLORREF kLit = 0x99FF99;            // green
constexpr COLORREF kLitWarning = 0xB0E0F9;     // light orange
constexpr COLORREF kLitAlarm = 0x9999FF;       // light red; also the peak and the lit lamp
constexpr COLORREF kUnlitMark = 0x9075A5;      // scale marks and the alarm zone
constexpr COLORREF kUnlit = 0x201040;          // dark segment; also the unlit lamp
constexpr COLORREF kUnlitWarning = 0x503070;   // dark segment of the warning zone
constexpr COLORREF kBarBackground = 0x020202;  // gaps between segments
constexpr COLORREF kFrameShadow = 0xA0A0A0;    // frame above and left
constexpr COLORREF kFrameLight = 0xF5F5F5;     // frame below and right

// The lamp spans the rows 12 to 2 px above the bar.
constexpr int kLampTop = 12;
constexpr int kLampBottom = 2;

}  // namespace

COLORREF CLevelMeter::SegmentColor(int index) const {
    if (m_bPeakOn && m_nPeakSegment > 0 && index == m_nPeakSegment - 1) {
        return kLitAlarm;
    }
    const bool alarmZone = m_bAlarmZone && index >= m_nAlarmSegment;
    const bool warningZone =
        m_bWarningColor && m_bWarningMark && index >= m_nWarningSegment && index < m_nAlarmSegment;
    if (index < m_nShownSegments) {
        return alarmZone ? kLitAlarm : warningZone ? kLitWarning : kLit;
    }
    const bool mark = index < kMeterSegments && m_scale.marks[static_cast<std::size_t>(index)];
    if (mark || alarmZone) {
        return kUnlitMark;
    }
    return warningZone ? kUnlitWarning : kUnlit;
}

void CLevelMeter::Render(QPainter* pDC, const QRect& rc) {
    try {
        CMemDC dc(pDC, rc);
        QPainter& painter = dc.Painter();
        painter.save();
        painter.translate(rc.topLeft());
        PaintMeter(painter, rc.size());
        painter.restore();
    } catch (CMemDCException& e) {
        e.AppendMessage("in CLevelMeter::DrawData()\n");
        m_reporter.Report(FormatException(e), MB_ICONSTOP);
    }
}

void CLevelMeter::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Render(&painter, rect());
}

void CLevelMeter::PaintMeter(QPainter& dc, QSize size) {
    SetMeterRect({0, 0, size.width(), size.height()});
    const SRect& bar = m_rcBar;
    dc.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Button));
    // 3-D frame: shadow above and left, light below and right, dark inside.
    dc.fillRect(bar.ToQRect(), ColorFromRef(kBarBackground));
    dc.fillRect(bar.left, bar.top, bar.Width(), 1, ColorFromRef(kFrameShadow));
    dc.fillRect(bar.left, bar.top, 1, bar.Height(), ColorFromRef(kFrameShadow));
    dc.fillRect(bar.left, bar.bottom - 1, bar.Width(), 1, ColorFromRef(kFrameLight));
    dc.fillRect(bar.right - 1, bar.top, 1, bar.Height(), ColorFromRef(kFrameLight));
    for (int i = 0; i < m_nSegments; ++i) {
        dc.fillRect(SegmentRect(bar, m_nSegments, i).ToQRect(), ColorFromRef(SegmentColor(i)));
    }
    if (m_bOverloadLamp) {
        dc.fillRect(bar.left, bar.top - kLampTop, bar.Width(), kLampTop - kLampBottom,
                    ColorFromRef(m_bOverload ? kLitAlarm : kUnlit));
    }
    dc.setFont(m_font);
    dc.setPen(palette().color(QPalette::WindowText));
    if (m_bScaleVisible) {
        for (const SScaleLabel& label : ShownScaleLabels()) {
            DrawScaleText(dc, label.nSegment, label.strText, size.width());
        }
    }
    if (m_bAlarmLabel) {
        const QString text = QString::asprintf(m_bScaleLeft ? "%0d" : "%+0d", m_nAlarmValue);
        DrawScaleText(dc, m_nAlarmSegment, text, size.width());
    }
    const int height = QFontMetrics(m_font).height();
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    dc.drawText(QRect(0, bar.bottom + 10, size.width(), height), centred, m_strUnit);
    // A title of several lines ends where a one-line title would: 20 px above the bar.
    dc.drawText(QRect(0, bar.top - 20 - m_nTitleExtraLines * height, size.width(),
                      (m_nTitleExtraLines + 1) * height),
                centred, m_strTitle);
}

std::vector<SScaleLabel> CLevelMeter::ShownScaleLabels() const {
    std::vector<SScaleLabel> shown;
    const int height = QFontMetrics(m_font).height();
    const int alarmTop = ScaleTextTop(m_nAlarmSegment);
    for (const SScaleLabel& label : m_scale.labels) {
        if (!m_bAlarmLabel || std::abs(ScaleTextTop(label.nSegment) - alarmTop) >= height) {
            shown.push_back(label);
        }
    }
    return shown;
}

int CLevelMeter::ScaleTextTop(int segment) const {
    const SRect seg = SegmentRect(m_rcBar, m_nSegments, segment);
    return (seg.top + seg.bottom) / 2 - QFontMetrics(m_font).height() / 2;
}

void CLevelMeter::DrawScaleText(QPainter& dc, int segment, const QString& text, int width) {
    const int height = QFontMetrics(m_font).height();
    const int top = ScaleTextTop(segment);
    if (m_bScaleLeft) {
        dc.drawText(QRect(0, top, m_rcBar.left - kTextGap, height),
                    Qt::AlignRight | Qt::AlignVCenter, text);
    } else {
        const int left = m_rcBar.right + kTextGap;
        dc.drawText(QRect(left, top, width - left, height), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

}  // namespace tavik
