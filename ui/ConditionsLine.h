#pragma once

#include <string>

#include <QRect>

namespace tavik {

// The one-line summary of the ITU-R measurement conditions at the data view's top right, for
// an RF level (dBuV), a multipath value (%/kHz) and the multipath status (1 OK, 2 STOP,
// 3 deviation too low).
std::string FormatConditions(float level, float multipath, int status);

// Where the line is drawn in a client area `width` pixels wide: the 500 x 30 strip at the top
// right, deflated by 5 on the left, 2 at the top and 8 on the right.
QRect ConditionsRect(int width);

}  // namespace tavik
