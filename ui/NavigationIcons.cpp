#include "ui/NavigationIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavik {

namespace {

constexpr int kSize = 32;

// A sheet with text lines and a folded corner.
void DrawProtocol(QPainter& p) {
    QPainterPath sheet;
    sheet.moveTo(6, 2);
    sheet.lineTo(21, 2);
    sheet.lineTo(27, 8);
    sheet.lineTo(27, 30);
    sheet.lineTo(6, 30);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(QPolygon({QPoint(21, 2), QPoint(21, 8), QPoint(27, 8)}));
    p.setPen(QPen(QColor(0, 0, 160), 2));
    for (int y = 12; y <= 26; y += 4) {
        p.drawLine(10, y, y == 26 ? 17 : 23, y);
    }
}

// Three sliders with their knobs: the receiver's settings.
void DrawParameter(QPainter& p) {
    p.setPen(QPen(QColor(50, 50, 50), 2));
    const int knobs[] = {20, 9, 15};
    for (int i = 0; i < 3; ++i) {
        const int x = 8 + i * 8;
        p.drawLine(x, 4, x, 28);
    }
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(240, 170, 20));
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRect(8 + i * 8 - 3, knobs[i] - 2, 6, 5));
    }
}

// A small scope screen with a curve.
void DrawMeasurement(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(10, 40, 20));
    p.drawRoundedRect(QRect(2, 5, 28, 22), 3, 3);
    p.setPen(QPen(QColor(0, 90, 40), 1));
    for (int x = 9; x < 30; x += 7) {
        p.drawLine(x, 7, x, 25);
    }
    p.drawLine(4, 16, 28, 16);
    p.setPen(QPen(QColor(80, 255, 120), 2));
    const QPoint curve[] = {{4, 20}, {8, 11}, {12, 9}, {16, 18}, {20, 22}, {24, 12}, {28, 10}};
    p.drawPolyline(curve, static_cast<int>(std::size(curve)));
}

// A warning triangle.
void DrawAlarm(QPainter& p) {
    p.setPen(QPen(QColor(60, 40, 0), 1.5));
    p.setBrush(QColor(255, 205, 0));
    p.drawPolygon(QPolygonF({QPointF(16, 3), QPointF(30, 28), QPointF(2, 28)}));
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(16, 11, 16, 19);
    p.drawPoint(16, 24);
}

}  // namespace

QIcon NavigationIcon(int resource) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (resource) {
        case 130:
            DrawProtocol(painter);
            break;
        case 131:
            DrawParameter(painter);
            break;
        case 132:
            DrawMeasurement(painter);
            break;
        case 133:
            DrawAlarm(painter);
            break;
        default:
            return QIcon();
    }
    painter.end();
    return QIcon(pixmap);
}

}  // namespace tavik
