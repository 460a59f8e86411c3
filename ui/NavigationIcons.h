#pragma once

#include <array>

#include <QIcon>

#include "document/Hints.h"

namespace tavik {

struct SNavigationItem {
    int nIcon;  // icon resource
    const char* strLabel;
    long nHint;  // sent when the item is clicked
};

// The navigation pane's items in list order: the four pages (item i sends HINT_SHOW_PAGE + i),
// then the stereo and audio page of the measurement (as Alt+7).
inline constexpr std::array<SNavigationItem, 5> kNavigationItems = {{
    {130, "Protocol", HINT_SHOW_PAGE},
    {131, "Parameter", HINT_SHOW_PAGE + 1},
    {132, "Measurement", HINT_SHOW_PAGE + 2},
    {133, "Alarm Settings", HINT_SHOW_PAGE + 3},
    {134, "Stereo & Audio", HINT_SHOW_MEASUREMENT_VIEW + 6},
}};

// The 32 x 32 icon of a navigation item (130 to 134), drawn here; an empty icon otherwise.
QIcon NavigationIcon(int resource);

}  // namespace tavik
