#include "ui/MeasurementStatus.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>

namespace tavik {

namespace {

const QColor kValueBlue(0, 0, 255);
const QColor kPausedOrange(200, 90, 0);
const QColor kOffGrey(128, 128, 128);
const QColor kFailedRed(220, 0, 0);

}  // namespace

SStatusText MeasurementStateText(bool running, bool paused) {
    if (running) {
        return {QStringLiteral("RUNNING"), kValueBlue, false};
    }
    if (paused) {
        return {QStringLiteral("PAUSED"), kPausedOrange, true};
    }
    return {QStringLiteral("STOPPED"), kValueBlue, false};
}

SStatusText LoggingStateText(CTAVIKSDIDoc::ELoggingState state) {
    switch (state) {
        case CTAVIKSDIDoc::ELoggingState::On:
            return {QStringLiteral("LOGGING"), kValueBlue, false};
        case CTAVIKSDIDoc::ELoggingState::Failed:
            return {QStringLiteral("NOT LOGGING"), kFailedRed, true};
        case CTAVIKSDIDoc::ELoggingState::Off:
            break;
    }
    return {QStringLiteral("not logging"), kOffGrey, false};
}

int StatusTextWidth(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int width = 0;
    for (const char* text : {"RUNNING", "PAUSED", "STOPPED", "LOGGING", "NOT LOGGING"}) {
        width = std::max(width, metrics.horizontalAdvance(QString::fromLatin1(text)));
    }
    return width;
}

void ShowStatusText(QLabel& label, const SStatusText& status) {
    label.setText(status.strText);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, status.color);
    label.setPalette(palette);
    // Only the weight is set: size and family still follow the parent (the header strip
    // shrinks its font to fit a narrow window).
    QFont weight;
    weight.setBold(status.bBold);
    label.setFont(weight);
}

}  // namespace tavik
