#include "ui/MeasurementForm.h"

#include <QLabel>

namespace tavik {

QLabel* MakeValueField(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QString::fromLatin1(kValueFieldStyle));
    label->setMinimumWidth(80);
    return label;
}

QString FormatValue(const char* format, double value) {
    return QString::asprintf(format, value);
}

}  // namespace tavik
