#pragma once

#include <QRect>

namespace tavik {

// The main view's rectangles for a client area of `width` x `height` pixels: the protocol header
// strip, the navigation pane and the item pane, and the two caption bars drawn over the client.
struct SMainViewLayout {
    QRect rcHeader;
    QRect rcNavigation;
    QRect rcItem;
    QRect rcHeaderCaption;  // "Protocol Header"
    QRect rcMenuCaption;    // "Menu"
    // With several stations, below the navigation pane: their list and its caption bar.
    QRect rcStationsCaption;  // "Stations"
    QRect rcStations;
};

// `stations`: the left column takes the station list below the navigation items too.
SMainViewLayout MainViewLayout(int width, int height, bool stations = false);

// A rectangle given by its edges (left, top, right, bottom), right and bottom exclusive.
inline QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace tavik
