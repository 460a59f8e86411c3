#pragma once

#include <QIcon>

namespace tavik {

// The 16 x 15 images of the toolbar buttons, drawn here, by command identifier; an empty icon
// for any other identifier.
QIcon ToolbarIcon(int commandId);

}  // namespace tavik
