#include "ui/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "document/Hints.h"
#include "ui/CommandIds.h"

namespace tavik {

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;
const QColor kOutline(40, 40, 40);

void Sheet(QPainter& p, int x, int y, int w, int h) {
    p.setPen(kOutline);
    p.setBrush(Qt::white);
    p.drawRect(x, y, w, h);
}

void DrawNew(QPainter& p) {
    Sheet(p, 3, 1, 10, 13);
    p.setPen(QColor(150, 150, 150));
    for (int y = 4; y <= 10; y += 3) {
        p.drawLine(5, y, 11, y);
    }
}

void DrawOpen(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(230, 190, 60));
    p.drawRect(1, 4, 12, 9);
    p.setBrush(QColor(250, 220, 110));
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
}

void DrawSave(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(40, 70, 160));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 9, 7, 5);
}

void DrawCut(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.drawLine(5, 1, 10, 9);
    p.drawLine(10, 1, 5, 9);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(2, 9, 4, 4);
    p.drawEllipse(9, 9, 4, 4);
}

void DrawCopy(QPainter& p) {
    Sheet(p, 1, 1, 8, 9);
    Sheet(p, 6, 5, 8, 9);
}

void DrawPaste(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(170, 120, 60));
    p.drawRect(1, 2, 10, 12);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 0, 4, 3);
    Sheet(p, 7, 6, 7, 8);
}

// A magnifier over a chip: look for the receiver.
void DrawDetect(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(1, 6, 8, 7);
    p.setPen(QPen(kOutline, 2));
    p.setBrush(QColor(190, 230, 255));
    p.drawEllipse(6, 1, 7, 7);
    p.drawLine(12, 8, 15, 12);
}

void DrawStart(QPainter& p) {
    p.setPen(QColor(0, 90, 0));
    p.setBrush(QColor(30, 180, 30));
    p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(13, 7), QPoint(4, 13)}));
}

void DrawPause(QPainter& p) {
    p.setPen(QColor(20, 50, 110));
    p.setBrush(QColor(60, 110, 210));
    p.drawRect(3, 2, 3, 10);
    p.drawRect(9, 2, 3, 10);
}

void DrawStop(QPainter& p) {
    p.setPen(QColor(110, 0, 0));
    p.setBrush(QColor(210, 30, 30));
    p.drawRect(3, 2, 10, 10);
}

void DrawQuestion(QPainter& p, int x) {
    QFont font = p.font();
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 160));
    p.drawText(QRect(x, 0, kWidth - x, kHeight), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawHelp(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(1, 1), QPoint(1, 11), QPoint(4, 8), QPoint(7, 13)}));
    DrawQuestion(p, 6);
}

// A loudspeaker with two sound arcs.
void DrawListen(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kOutline);
    p.setBrush(QColor(90, 90, 100));
    p.drawPolygon(QPolygon(
        {QPoint(1, 5), QPoint(4, 5), QPoint(8, 1), QPoint(8, 13), QPoint(4, 9), QPoint(1, 9)}));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 90, 200), 1.3));
    p.drawArc(QRectF(6, 4, 6, 6), -60 * 16, 120 * 16);
    p.drawArc(QRectF(5, 1.5, 10, 11), -60 * 16, 120 * 16);
}

}  // namespace

QIcon ToolbarIcon(int commandId) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    switch (commandId) {
        case ID_FILE_NEW:
            DrawNew(painter);
            break;
        case ID_FILE_OPEN:
            DrawOpen(painter);
            break;
        case ID_FILE_SAVE:
            DrawSave(painter);
            break;
        case ID_EDIT_CUT:
            DrawCut(painter);
            break;
        case ID_EDIT_COPY:
            DrawCopy(painter);
            break;
        case ID_EDIT_PASTE:
            DrawPaste(painter);
            break;
        case ID_DETECT_HARDWARE:
            DrawDetect(painter);
            break;
        case ID_MEASUREMENT_START:
            DrawStart(painter);
            break;
        case ID_MEASUREMENT_PAUSE:
            DrawPause(painter);
            break;
        case ID_MEASUREMENT_STOP:
            DrawStop(painter);
            break;
        case ID_APP_ABOUT:
            DrawQuestion(painter, 0);
            break;
        case ID_CONTEXT_HELP:
            DrawHelp(painter);
            break;
        case ID_LISTEN:
            DrawListen(painter);
            break;
        default:
            return QIcon();
    }
    painter.end();
    return QIcon(pixmap);
}

}  // namespace tavik
