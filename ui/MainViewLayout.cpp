#include "ui/MainViewLayout.h"

namespace tavik {

SMainViewLayout MainViewLayout(int width, int height) {
    SMainViewLayout layout;
    layout.rcHeader = EdgeRect(0, 25, width, 75);
    layout.rcNavigation = EdgeRect(0, 105, 125, height);
    layout.rcItem = EdgeRect(130, 80, width, height);
    layout.rcHeaderCaption = EdgeRect(0, 0, width - 1, 20);
    layout.rcMenuCaption = EdgeRect(0, 80, 125, 100);
    return layout;
}

}  // namespace tavik
