#include "charts/Colors.h"

namespace tavik {

QColor ColorFromRef(COLORREF color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

}  // namespace tavik
