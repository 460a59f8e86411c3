#pragma once

#include <cstdint>

#include <QColor>

namespace tavik {

// A colour as the chart settings keep it: 0x00BBGGRR (red in the low byte).
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(unsigned red, unsigned green, unsigned blue) {
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}

// The one conversion from a 0x00BBGGRR value to a Qt colour; the top byte is ignored.
QColor ColorFromRef(COLORREF color);

}  // namespace tavik
