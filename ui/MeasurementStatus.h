#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "document/TAVIKSDIDoc.h"

class QLabel;

namespace tavik {

// A short status text and how it is drawn.
struct SStatusText {
    QString strText;
    QColor color;
    bool bBold = false;
};

// What the measurement does: "RUNNING", "PAUSED" (bold) or "STOPPED".
SStatusText MeasurementStateText(bool running, bool paused);
// Whether result records reach the day files: "LOGGING", "not logging" in grey, or
// "NOT LOGGING" in bold red when logging is switched on but its files failed.
SStatusText LoggingStateText(CTAVIKSDIDoc::ELoggingState state);
// The widest of these texts, in the label's font made bold: the room a field needs.
int StatusTextWidth(const QFont& font);

// Puts the text on the label in its colour and weight.
void ShowStatusText(QLabel& label, const SStatusText& status);

}  // namespace tavik
