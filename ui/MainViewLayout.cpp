#include "ui/MainViewLayout.h"

#include <algorithm>

namespace tavik {

namespace {

constexpr int kNavigationTop = 105;
constexpr int kColumnWidth = 125;
constexpr int kCaptionHeight = 20;
constexpr int kGap = 2;
// The four navigation items (64 pixels each) whole, below the bar's top margin.
constexpr int kNavigationHeight = 8 + 4 * 64;

}  // namespace

SMainViewLayout MainViewLayout(int width, int height, bool stations) {
    SMainViewLayout layout;
    layout.rcHeader = EdgeRect(0, 25, width, 75);
    layout.rcNavigation = EdgeRect(0, 105, 125, height);
    layout.rcItem = EdgeRect(130, 80, width, height);
    layout.rcHeaderCaption = EdgeRect(0, 0, width - 1, 20);
    layout.rcMenuCaption = EdgeRect(0, 80, 125, 100);
    if (stations) {
        const int navigationBottom = std::min(height, kNavigationTop + kNavigationHeight);
        layout.rcNavigation.setBottom(navigationBottom - 1);
        const int captionTop = navigationBottom + kGap;
        layout.rcStationsCaption =
            EdgeRect(0, captionTop, kColumnWidth, captionTop + kCaptionHeight);
        layout.rcStations = EdgeRect(0, captionTop + kCaptionHeight + kGap, kColumnWidth,
                                     std::max(height, captionTop + kCaptionHeight + kGap));
    }
    return layout;
}

}  // namespace tavik
