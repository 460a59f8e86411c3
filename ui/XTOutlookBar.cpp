#include "ui/XTOutlookBar.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "ui/CaptionBar.h"

namespace tavik {

namespace {

constexpr int kTopMargin = 8;  // pixels above the first item
constexpr int kLabelGap = 4;   // between icon and label
constexpr int kHighlightInset = 6;

}  // namespace

CXTOutlookBar::CXTOutlookBar(QWidget* parent)
    : QWidget(parent),
      m_textColor(ButtonShadowColor(palette())),
      m_backColor(palette().color(QPalette::Base)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CXTOutlookBar::AddMenuItem(const QIcon& icon, const QString& label) {
    return InsertMenuItem(GetCount(), icon, label);
}

int CXTOutlookBar::InsertMenuItem(int index, const QIcon& icon, const QString& label) {
    index = std::clamp(index, 0, GetCount());
    m_items.insert(m_items.begin() + index, SItem{icon, label});
    updateGeometry();
    update();
    return index;
}

void CXTOutlookBar::SetColors(const QColor& text, const QColor& background) {
    m_textColor = text;
    m_backColor = background;
    update();
}

QRect CXTOutlookBar::ItemRect(int index) const {
    return QRect(0, kTopMargin + index * kItemHeight, width(), kItemHeight);
}

int CXTOutlookBar::ItemFromPoint(const QPoint& point) const {
    if (!rect().contains(point) || point.y() < kTopMargin) {
        return -1;
    }
    const int index = (point.y() - kTopMargin) / kItemHeight;
    return index < GetCount() ? index : -1;
}

QSize CXTOutlookBar::sizeHint() const {
    return QSize(kIconSize * 3, kTopMargin + GetCount() * kItemHeight);
}

void CXTOutlookBar::SetSelected(int index) {
    if (index != m_nSelected) {
        m_nSelected = index;
        update();
    }
}

void CXTOutlookBar::mouseMoveEvent(QMouseEvent* event) {
    SetSelected(ItemFromPoint(event->position().toPoint()));
}

void CXTOutlookBar::leaveEvent(QEvent* /*event*/) {
    m_bPressed = false;
    SetSelected(-1);
}

void CXTOutlookBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        update();
    }
}

void CXTOutlookBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_bPressed = false;
    const int index = ItemFromPoint(event->position().toPoint());
    SetSelected(index);
    if (index >= 0 && m_owner) {
        m_owner(index, kControlId);
    }
}

void CXTOutlookBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), m_backColor);
    painter.setPen(m_textColor);
    for (int i = 0; i < GetCount(); ++i) {
        const QRect item = ItemRect(i);
        const QRect icon((width() - kIconSize) / 2, item.top(), kIconSize, kIconSize);
        if (i == m_nSelected) {
            // Raised while hovered, sunken while pressed.
            const QRect frame = icon.adjusted(-kHighlightInset / 2, -kHighlightInset / 2,
                                              kHighlightInset / 2, kHighlightInset / 2);
            const bool sunken = m_bPressed;
            painter.setPen(sunken ? palette().color(QPalette::Shadow) : Qt::white);
            painter.drawLine(frame.topLeft(), frame.topRight());
            painter.drawLine(frame.topLeft(), frame.bottomLeft());
            painter.setPen(sunken ? Qt::white : palette().color(QPalette::Shadow));
            painter.drawLine(frame.bottomLeft(), frame.bottomRight());
            painter.drawLine(frame.topRight(), frame.bottomRight());
            painter.setPen(m_textColor);
        }
        m_items[i].icon.paint(&painter, icon.translated(m_bPressed && i == m_nSelected ? 1 : 0,
                                                        m_bPressed && i == m_nSelected ? 1 : 0));
        const QRect label(item.left(), icon.bottom() + kLabelGap, item.width(),
                          item.bottom() - icon.bottom() - kLabelGap);
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, m_items[i].strLabel);
    }
}

}  // namespace tavik
