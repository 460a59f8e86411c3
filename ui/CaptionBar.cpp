#include "ui/CaptionBar.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "charts/ChartFonts.h"

namespace tavik {

namespace {

constexpr int kCaptionFontPixels = 15;
constexpr int kTextIndent = 4;  // pixels between the bar's left edge and its text

}  // namespace

QColor ButtonFaceColor(const QPalette& palette) {
    return palette.color(QPalette::Button);
}

QColor ButtonShadowColor(const QPalette& palette) {
    return palette.color(QPalette::Dark);
}

QColor CaptionTextColor(const QPalette& palette) {
    return palette.color(QPalette::BrightText);
}

QColor AppWorkspaceColor(const QPalette& palette) {
    return palette.color(QPalette::Mid);
}

QFont CellHeightFont(const QString& face, int pixels, int weight) {
    QFont font = MakeChartFont(face, pixels, weight);
    const int cell = QFontMetrics(font).height();
    if (cell > pixels) {
        font.setPixelSize(std::max(1, pixels * pixels / cell));
    }
    return font;
}

QFont CaptionFont(int weight) {
    return CellHeightFont(QStringLiteral("Arial"), kCaptionFontPixels, weight);
}

void DrawCaptionBar(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                    const QPalette& palette) {
    painter.fillRect(rect, ButtonShadowColor(palette));
    painter.setFont(font);
    painter.setPen(CaptionTextColor(palette));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(rect.adjusted(kTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

int CaptionTextEnd(const QString& text, const QFont& font) {
    return kTextIndent + QFontMetrics(font).horizontalAdvance(text);
}

}  // namespace tavik
