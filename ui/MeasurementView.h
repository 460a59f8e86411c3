#pragma once

#include <QTimer>
#include <QWidget>

#include "platform/Document.h"
#include "ui/ViewAttachment.h"

namespace tavik {

class CTAVIKSDIDoc;
class CAnalyserResult;

// Base of the six measurement views inside the data view. A view takes the results that the
// data view routes to it (OnResult, user-interface thread) and only marks itself dirty; it
// redraws on its refresh timer (113), which runs while the view is shown.
class CMeasurementView : public QWidget, public CView {
    Q_OBJECT

public:
    static constexpr int REFRESH_TIMER = 113;

    CMeasurementView(CTAVIKSDIDoc& doc, QWidget* parent, int refreshMs);
    ~CMeasurementView() override;

    // Attaches the view to the document (the data view's first display).
    void AttachToDocument();
    bool IsAttached() const { return m_attachment.GetDocument() != nullptr; }

    // A result of one of the codes the data view routes to this view.
    virtual void OnResult(const CAnalyserResult& result) = 0;
    void OnUpdate(CView* sender, long hint, void* object) override;

    void StartTimer(int periodMs);
    void StopTimer();
    bool IsTimerRunning() const { return m_refreshTimer.isActive(); }
    int GetRefreshPeriod() const { return m_nRefreshMs; }

protected:
    CTAVIKSDIDoc& GetDocument() const { return m_doc; }
    // Each refresh tick while shown.
    virtual void OnRefresh() = 0;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CTAVIKSDIDoc& m_doc;
    const int m_nRefreshMs;
    QTimer m_refreshTimer;
    CViewAttachment m_attachment;
};

}  // namespace tavik
