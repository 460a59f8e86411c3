#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavik {

namespace {

constexpr int kDesign = 64;  // the picture's own units; drawn scaled to each size

QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(static_cast<double>(size) / kDesign, static_cast<double>(size) / kDesign);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x3f, 0x6e));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // The level bar: green, yellow and red segments.
    p.setBrush(QColor(0x3c, 0xc8, 0x50));
    p.drawRect(QRectF(48, 30, 8, 24));
    p.setBrush(QColor(0xf0, 0xd0, 0x30));
    p.drawRect(QRectF(48, 20, 8, 8));
    p.setBrush(QColor(0xe0, 0x40, 0x30));
    p.drawRect(QRectF(48, 10, 8, 8));
    // The trace: a modulated wave.
    QPainterPath trace;
    trace.moveTo(8, 34);
    trace.cubicTo(12, 10, 18, 10, 22, 34);
    trace.cubicTo(26, 56, 32, 56, 36, 34);
    trace.cubicTo(38, 22, 41, 22, 42, 30);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(Draw(size));
    }
    return icon;
}

}  // namespace tavik
