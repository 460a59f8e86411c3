#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

namespace tavik {

// Off-screen drawing context: the chart draws into an image of the drawing rectangle, and the
// destructor copies the image onto the target in one operation, so a widget never shows a
// half-drawn frame. Vector targets (printer, PDF, picture) are drawn on directly, which keeps
// their output as vectors. Drawing coordinates are the target's in both cases.
class CMemDC {
public:
    // Throws CMemDCException("pDC == NULL", sub-ID 1) for a null target. Without a rectangle
    // the target's clip box is used, or its whole device when it does not clip.
    explicit CMemDC(QPainter* pDC);
    CMemDC(QPainter* pDC, const QRect& rect);
    // As above, drawing into `buffer`, which the caller keeps between frames so that a repaint
    // allocates nothing; it is resized when the rectangle changes.
    CMemDC(QPainter* pDC, const QRect& rect, QImage& buffer);
    ~CMemDC();

    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter& Painter() { return m_bMemDC ? m_painter : *m_pDC; }
    QPainter* operator->() { return &Painter(); }
    // False while drawing straight onto a vector target.
    bool IsMemDC() const { return m_bMemDC; }
    const QRect& Rect() const { return m_rect; }

    // Whether a target is drawn on directly (printer, PDF, picture, SVG).
    static bool IsVectorTarget(const QPainter& dc);

private:
    void Begin(QImage* buffer);

    QPainter* m_pDC;
    QRect m_rect;
    bool m_bMemDC = false;
    QImage m_ownImage;
    QImage* m_pImage = nullptr;
    QPainter m_painter;
};

}  // namespace tavik
