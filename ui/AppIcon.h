#pragma once

#include <QIcon>

namespace tavik {

// The application icon (the window's and the about box's): a signal trace and a level bar on a
// dark tile, the same picture as the installed tavik.svg.
QIcon AppIcon();

}  // namespace tavik
