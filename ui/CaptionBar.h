#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

class QPainter;

namespace tavik {

// The system colours the views paint with, from the widget palette.
QColor ButtonFaceColor(const QPalette& palette);
QColor ButtonShadowColor(const QPalette& palette);
QColor CaptionTextColor(const QPalette& palette);
QColor AppWorkspaceColor(const QPalette& palette);

// A font whose cell (ascent plus descent) is `pixels` high, as the forms' font heights are
// given; the character itself is smaller.
QFont CellHeightFont(const QString& face, int pixels, int weight);

// The caption font of the main view (Arial 15, weight 700) and of the item pages (weight 800).
QFont CaptionFont(int weight);

// A caption bar: the rectangle filled with the button-shadow colour, the text in the
// caption-text colour on a transparent background, left-aligned and vertically centred.
void DrawCaptionBar(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                    const QPalette& palette);
// Where a caption bar's text ends, from the bar's left edge.
int CaptionTextEnd(const QString& text, const QFont& font);

}  // namespace tavik
