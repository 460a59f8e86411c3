#include "charts/LabelFormat.h"

#include <cmath>

namespace tavik {

namespace {

const char* Prefix(int exponent) {
    switch (exponent) {
        case 12:
            return "T";
        case 9:
            return "G";
        case 6:
            return "M";
        case 3:
            return "k";
        case 0:
            return "";
        case -3:
            return "m";
        case -6:
            return "u";
        case -9:
            return "n";
        case -12:
            return "p";
        case -15:
            return "f";
        default:
            return nullptr;
    }
}

}  // namespace

int EngineeringExponent(double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude > 0.0) || !std::isfinite(magnitude)) {
        return 0;
    }
    const int decade = static_cast<int>(std::trunc(std::log10(magnitude)));
    return decade / 3 * 3;  // integer division truncates toward zero
}

QString FormatLabel(double value, int mode) {
    switch (mode) {
        case 3:
            return QString::asprintf("%0.3g", value);
        case 4:
            return QString::asprintf("%.1f", value);
        case 5:
            return QString::asprintf("%.2f", value);
        case 6:
            return QString::asprintf("%g", value);
        default:
            break;
    }
    const int exponent = EngineeringExponent(value);
    const double mantissa = value / std::pow(10.0, exponent);
    if (mode == 0 || mode == 1) {
        QString text = QString::asprintf("%.3g", mantissa);
        if (exponent != 0) {
            text += QString::asprintf(mode == 0 ? "E%d" : "e%d", exponent);
        }
        return text;
    }
    const char* prefix = Prefix(exponent);
    if (prefix == nullptr) {
        return QString::asprintf("%.3g", value);
    }
    return QString::asprintf("%.3g%s", mantissa, prefix);
}

}  // namespace tavik
