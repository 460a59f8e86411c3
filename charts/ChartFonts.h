#pragma once

#include <QFont>
#include <QString>

namespace tavik {

// The family used for a requested typeface: the face itself when installed, else for "Arial"
// (and "Helvetica") the metric-compatible "Liberation Sans", else the system sans-serif.
QString ResolveFontFamily(const QString& face);

// A font of `pixels` character height and a weight on the 100..900 scale (300 light, 600
// semi-bold). Turned fonts are ordinary fonts drawn under a rotated painter.
QFont MakeChartFont(const QString& face, int pixels, int weight);

}  // namespace tavik
