#include "ui/XTPagerCtrl.h"

#include <algorithm>

#include <QToolButton>

namespace tavik {

CXTPagerCtrl::CXTPagerCtrl(QWidget* parent) : QWidget(parent) {
    m_pUp = new QToolButton(this);
    m_pDown = new QToolButton(this);
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_pUp, m_pDown}) {
        button->setAutoRepeat(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_pUp, &QToolButton::clicked, this, [this] { Scroll(-kScrollStep); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Scroll(kScrollStep); });
}

void CXTPagerCtrl::SetChild(QWidget* child) {
    m_pChild = child;
    child->setParent(this);
    m_nPosition = 0;
    Relayout();
    child->show();
}

void CXTPagerCtrl::SetButtonSize(int pixels) {
    m_nButtonSize = pixels;
    Relayout();
}

bool CXTPagerCtrl::IsScrollable() const {
    return m_pChild != nullptr && m_pChild->sizeHint().height() > height();
}

void CXTPagerCtrl::resizeEvent(QResizeEvent* /*event*/) {
    Relayout();
}

void CXTPagerCtrl::Scroll(int pixels) {
    m_nPosition += pixels;
    Relayout();
}

void CXTPagerCtrl::Relayout() {
    if (m_pChild == nullptr) {
        return;
    }
    const int childHeight = std::max(m_pChild->sizeHint().height(), height());
    const bool scrollable = IsScrollable();
    const int buttons = scrollable ? m_nButtonSize : 0;
    const int visible = height() - 2 * buttons;
    m_nPosition = scrollable ? std::clamp(m_nPosition, 0, childHeight - visible) : 0;
    m_pChild->setGeometry(0, buttons - m_nPosition, width(), childHeight);
    m_pUp->setGeometry(0, 0, width(), m_nButtonSize);
    m_pDown->setGeometry(0, height() - m_nButtonSize, width(), m_nButtonSize);
    m_pUp->setVisible(scrollable);
    m_pDown->setVisible(scrollable);
    m_pUp->setEnabled(m_nPosition > 0);
    m_pDown->setEnabled(m_nPosition < childHeight - visible);
    m_pUp->raise();
    m_pDown->raise();
}

}  // namespace tavik
