#include "ui/MeasurementView.h"

#include "document/TAVIKSDIDoc.h"

namespace tavik {

CMeasurementView::CMeasurementView(CTAVIKSDIDoc& doc, QWidget* parent, int refreshMs)
    : QWidget(parent), m_doc(doc), m_nRefreshMs(refreshMs) {
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { OnRefresh(); });
}

CMeasurementView::~CMeasurementView() = default;

void CMeasurementView::AttachToDocument() {
    if (!IsAttached()) {
        m_attachment.Attach(m_doc, this);
    }
}

void CMeasurementView::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {}

void CMeasurementView::StartTimer(int periodMs) {
    m_refreshTimer.start(periodMs);
}

void CMeasurementView::StopTimer() {
    m_refreshTimer.stop();
}

void CMeasurementView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    StartTimer(m_nRefreshMs);
}

void CMeasurementView::hideEvent(QHideEvent* event) {
    StopTimer();
    QWidget::hideEvent(event);
}

}  // namespace tavik
