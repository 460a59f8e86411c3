#include "ui/StationList.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tavik {

namespace {

QColor StateColor(const QString& state) {
    if (state == QLatin1String("OK")) {
        return QColor(0, 128, 0);
    }
    if (state == QLatin1String("ALARM")) {
        return QColor(200, 0, 0);
    }
    if (state == QLatin1String("NO SIGNAL")) {
        return QColor(176, 96, 0);
    }
    return QColor(96, 96, 96);
}

}  // namespace

CStationList::CStationList(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("station list"));
    QFont small = font();
    small.setPixelSize(kFontPixels);
    setFont(small);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setToolTip(QStringLiteral(
        "The stations measured: frequency (MHz) and state, station name, deviation peak and MPX "
        "power of the last second. Click a station, or use Up and Down here or Ctrl+PgUp and "
        "Ctrl+PgDown anywhere, to show its pages."));
}

void CStationList::SetRows(std::vector<SStationRow> rows) {
    if (rows == m_rows) {
        return;
    }
    const bool resized = rows.size() != m_rows.size();
    m_rows = std::move(rows);
    m_nCurrent = std::clamp(m_nCurrent, 0, std::max(0, static_cast<int>(m_rows.size()) - 1));
    if (resized) {
        updateGeometry();
    }
    update();
}

void CStationList::SetCurrent(int index) {
    if (index < 0 || index >= static_cast<int>(m_rows.size()) || index == m_nCurrent) {
        return;
    }
    m_nCurrent = index;
    update();
}

int CStationList::RowHeight() const {
    return 3 * fontMetrics().lineSpacing() + 2 * kPadding + 1;
}

int CStationList::RowAt(const QPoint& point) const {
    const int row = point.y() / RowHeight();
    return point.y() >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
}

QSize CStationList::sizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("88.888 NO SIGNAL")) + 2 * kPadding,
            RowHeight() * static_cast<int>(m_rows.size())};
}

void CStationList::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(m_rows.size())) {
        return;
    }
    SetCurrent(index);
    emit StationChosen(index);
}

void CStationList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Choose(RowAt(event->position().toPoint()));
    }
}

void CStationList::keyPressEvent(QKeyEvent* event) {
    const int last = static_cast<int>(m_rows.size()) - 1;
    switch (event->key()) {
        case Qt::Key_Up:
            Choose(std::max(0, m_nCurrent - 1));
            break;
        case Qt::Key_Down:
            Choose(std::min(last, m_nCurrent + 1));
            break;
        case Qt::Key_Home:
            Choose(0);
            break;
        case Qt::Key_End:
            Choose(last);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void CStationList::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.lineSpacing();
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const SStationRow& row = m_rows[static_cast<std::size_t>(i)];
        const QRect entry(0, i * RowHeight(), width(), RowHeight() - 1);
        const bool current = i == m_nCurrent;
        if (current) {
            painter.fillRect(entry, palette().color(QPalette::Highlight).lighter(180));
            painter.fillRect(QRect(entry.left(), entry.top(), kPadding, entry.height()),
                             palette().color(QPalette::Highlight));
        }
        painter.setPen(QColor(208, 208, 208));
        painter.drawLine(entry.bottomLeft() + QPoint(0, 1), entry.bottomRight() + QPoint(0, 1));
        const QRect text = entry.adjusted(2 * kPadding, kPadding, -kPadding, -kPadding);
        const QRect first(text.left(), text.top(), text.width(), line);
        painter.setFont(bold);
        painter.setPen(Qt::black);
        painter.drawText(first, Qt::AlignLeft | Qt::AlignVCenter, row.strFrequency);
        painter.setPen(StateColor(row.strState));
        painter.drawText(first, Qt::AlignRight | Qt::AlignVCenter, row.strState);
        painter.setFont(font());
        painter.setPen(Qt::black);
        painter.drawText(first.translated(0, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(row.strPS, Qt::ElideRight, text.width()));
        const QRect third = first.translated(0, 2 * line);
        painter.drawText(third, Qt::AlignLeft | Qt::AlignVCenter, row.strDeviation);
        painter.drawText(third, Qt::AlignRight | Qt::AlignVCenter, row.strPower);
        if (current && hasFocus()) {
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(entry.adjusted(1, 0, -1, -1));
        }
    }
}

}  // namespace tavik
