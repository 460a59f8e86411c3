#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "platform/Document.h"
#include "ui/ViewAttachment.h"

namespace tavik {

class CTAVIKSDIDoc;

// Base of the pages of the item pane (protocol, parameter, measurement, alarm settings): a
// caption bar with the page's title across the top, 20 pixels high. User-interface thread.
class CItemView : public QWidget, public CView {
    Q_OBJECT

public:
    static constexpr int kCaptionHeight = 20;

    CItemView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CItemView() override;

    // Stores the title and repaints the caption at once.
    void SetTitle(const QString& title);
    const QString& GetTitle() const { return m_strTitle; }

    // The framework's initial update, once, after the main view was built: attaches the page to
    // the document. Derived pages create what they show here.
    virtual void OnInitialUpdate();
    void OnUpdate(CView* sender, long hint, void* object) override;

protected:
    CTAVIKSDIDoc& GetDocument() const { return m_doc; }
    void paintEvent(QPaintEvent* event) override;
    // Painting over the base's background and caption.
    virtual void PaintPage(QPainter& painter);
    // Where the page title ends on the caption bar (what is drawn beside it must start after).
    int TitleEnd() const;

private:
    CTAVIKSDIDoc& m_doc;
    QString m_strTitle;
    QFont m_captionFont;
    CViewAttachment m_attachment;
};

}  // namespace tavik
