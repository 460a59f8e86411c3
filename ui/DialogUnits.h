#pragma once

#include <QRect>

namespace tavik {

// Dialog units of the forms' 8-point dialog font at 96 dpi (base units 6 x 13 pixels): a
// horizontal unit is a quarter of the average character width, a vertical one an eighth of the
// character height.
inline QRect DialogUnitRect(int x, int y, int width, int height) {
    constexpr int kBaseX = 6;
    constexpr int kBaseY = 13;
    const auto px = [](int units) { return (units * kBaseX + 2) / 4; };
    const auto py = [](int units) { return (units * kBaseY + 4) / 8; };
    return QRect(px(x), py(y), px(width), py(height));
}

}  // namespace tavik
