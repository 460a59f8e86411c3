#include "ui/GuiMessageTarget.h"

#include <QCoreApplication>
#include <QEvent>

namespace tavik {

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

CGuiMessageTarget::CGuiMessageTarget(QObject* parent) : QObject(parent) {}

void CGuiMessageTarget::PostMessage(CMessage message) {
    m_queue.PostCoalescing(std::move(message), kQueueLimit);
    // One wake event at a time: a burst of results costs one trip through Qt's event queue.
    if (!m_bWakePending.exchange(true, std::memory_order_acq_rel)) {
        QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
    }
}

bool CGuiMessageTarget::event(QEvent* event) {
    if (event->type() != kWakeEvent) {
        return QObject::event(event);
    }
    Drain();
    return true;
}

void CGuiMessageTarget::Drain() {
    // Cleared before draining: a message posted meanwhile either is taken below or wakes again.
    m_bWakePending.store(false, std::memory_order_release);
    CMessage message;
    // One at a time: a handler that opens a modal box drains the rest from its nested loop.
    while (m_queue.PeekMessage(message, 0, 0, true)) {
        if (m_tap) {
            m_tap(message);
        }
        if (m_receiver) {
            m_receiver(message);
        }
    }
}

}  // namespace tavik
