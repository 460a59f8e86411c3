#pragma once

#include <QString>

namespace tavik {

// Number formats of tick labels and readouts:
//   0 engineering, "%.3g" mantissa and "E<exponent>" unless the exponent is 0
//   1 as 0 with "e"
//   2 (and any other) "%.3g" mantissa with a prefix T G M k m u n p f, or the plain value by
//     "%.3g" when the exponent has no prefix
//   3 "%0.3g", 4 "%.1f", 5 "%.2f", 6 "%g"
QString FormatLabel(double value, int mode);

// The engineering exponent: log10 of the magnitude truncated toward zero, then truncated
// toward zero to a multiple of 3; 0 for a value of 0.
int EngineeringExponent(double value);

}  // namespace tavik
