#include "ui/ItemView.h"

#include <QPainter>

#include "document/TAVIKSDIDoc.h"
#include "ui/CaptionBar.h"

namespace tavik {

namespace {

constexpr int kCaptionWeight = 800;

}  // namespace

CItemView::CItemView(CTAVIKSDIDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_captionFont(CaptionFont(kCaptionWeight)) {
    setAutoFillBackground(false);
}

CItemView::~CItemView() = default;

void CItemView::SetTitle(const QString& title) {
    m_strTitle = title;
    repaint(0, 0, width(), kCaptionHeight);
}

void CItemView::OnInitialUpdate() {
    m_attachment.Attach(m_doc, this);
}

void CItemView::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {}

void CItemView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ButtonFaceColor(palette()));
    DrawCaptionBar(painter, QRect(0, 0, width(), kCaptionHeight), m_strTitle, m_captionFont,
                   palette());
    PaintPage(painter);
}

void CItemView::PaintPage(QPainter& /*painter*/) {}

int CItemView::TitleEnd() const {
    return CaptionTextEnd(m_strTitle, m_captionFont);
}

}  // namespace tavik
