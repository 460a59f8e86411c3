#include "charts/MemDC.h"

#include <QPaintDevice>
#include <QPaintEngine>

#include "platform/GenericException.h"

namespace tavik {

namespace {

QPainter* CheckedTarget(QPainter* pDC) {
    if (pDC == nullptr) {
        throw CMemDCException("pDC == NULL", 1);
    }
    return pDC;
}

QRect ClipBox(const QPainter& dc) {
    if (dc.hasClipping()) {
        return dc.clipBoundingRect().toAlignedRect();
    }
    const QPaintDevice* device = dc.device();
    return device != nullptr ? QRect(0, 0, device->width(), device->height()) : QRect();
}

}  // namespace

bool CMemDC::IsVectorTarget(const QPainter& dc) {
    const QPaintDevice* device = dc.device();
    if (device != nullptr && device->devType() == QInternal::Printer) {
        return true;
    }
    const QPaintEngine* engine = dc.paintEngine();
    if (engine == nullptr) {
        return false;
    }
    switch (engine->type()) {
        case QPaintEngine::Pdf:
        case QPaintEngine::Picture:
        case QPaintEngine::SVG:
        case QPaintEngine::MacPrinter:
            return true;
        default:
            return false;
    }
}

CMemDC::CMemDC(QPainter* pDC) : m_pDC(CheckedTarget(pDC)), m_rect(ClipBox(*m_pDC)) {
    Begin(nullptr);
}

CMemDC::CMemDC(QPainter* pDC, const QRect& rect) : m_pDC(CheckedTarget(pDC)), m_rect(rect) {
    Begin(nullptr);
}

CMemDC::CMemDC(QPainter* pDC, const QRect& rect, QImage& buffer)
    : m_pDC(CheckedTarget(pDC)), m_rect(rect) {
    Begin(&buffer);
}

void CMemDC::Begin(QImage* buffer) {
    const QColor background = m_pDC->background().color();
    m_bMemDC = !IsVectorTarget(*m_pDC) && !m_rect.isEmpty();
    if (!m_bMemDC) {
        m_pDC->fillRect(m_rect, background);
        return;
    }
    // The image is in device pixels; its pixel ratio keeps drawing in the target's units.
    const qreal ratio = m_pDC->device() != nullptr ? m_pDC->device()->devicePixelRatio() : 1.0;
    const QSize size = m_rect.size() * ratio;
    m_pImage = buffer != nullptr ? buffer : &m_ownImage;
    if (m_pImage->size() != size || m_pImage->format() != QImage::Format_RGB32) {
        *m_pImage = QImage(size, QImage::Format_RGB32);
    }
    m_pImage->setDevicePixelRatio(ratio);
    m_painter.begin(m_pImage);
    m_painter.setFont(m_pDC->font());
    m_painter.setRenderHints(m_pDC->renderHints());
    // The target's coordinates: the rectangle's top-left is the image's origin.
    m_painter.translate(-m_rect.topLeft());
    m_painter.fillRect(m_rect, background);
}

CMemDC::~CMemDC() {
    if (!m_bMemDC) {
        return;
    }
    m_painter.end();
    m_pDC->drawImage(m_rect.topLeft(), *m_pImage);
}

}  // namespace tavik
