#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tavik {

// The look the measurement forms share: value fields in blue on light grey.
inline constexpr const char* kValueFieldStyle =
    "QLabel { color: rgb(0, 0, 255); background-color: rgb(230, 230, 230); "
    "padding: 1px 3px; }";

// A label styled as a value field, showing `text`.
QLabel* MakeValueField(QWidget* parent, const QString& text = QString());

// printf-style formatting of one number, as the forms show their values.
QString FormatValue(const char* format, double value);

}  // namespace tavik
