#pragma once

#include <array>

#include <QIcon>

namespace tavik {

struct SNavigationItem {
    int nIcon;  // icon resource
    const char* strLabel;
};

// The navigation pane's items in list order; item i sends HINT_SHOW_PAGE + i.
inline constexpr std::array<SNavigationItem, 4> kNavigationItems = {{
    {130, "Protocol"},
    {131, "Parameter"},
    {132, "Measurement"},
    {133, "Alarm Settings"},
}};

// The 32 x 32 icon of a navigation item (130 to 133), drawn here; an empty icon otherwise.
QIcon NavigationIcon(int resource);

}  // namespace tavik
