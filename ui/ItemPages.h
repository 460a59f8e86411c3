#pragma once

#include <array>
#include <functional>

class QWidget;

namespace tavik {

class CTAVIKSDIDoc;
class CGuiMessageTarget;
class CItemView;

// The four pages of the item pane, in the navigation order (page i is shown on HINT_SHOW_PAGE + i).
enum : int {
    ITEM_PROTOCOL = 0,
    ITEM_SETTINGS = 1,
    ITEM_DATA = 2,
    ITEM_ALARM = 3,
};
inline constexpr int kItemPages = 4;

struct SItemPage {
    int nWindowId;
    const char* strWindowName;
};

inline constexpr std::array<SItemPage, kItemPages> kItemPageTable = {{
    {0, "protocol view"},
    {1, "settings view"},
    {2, "data view"},
    {3, "alarm view"},
}};

// Make a page, or the protocol header strip, as a child of the main view (which owns it).
using ItemViewFactory = std::function<CItemView*(CTAVIKSDIDoc&, CGuiMessageTarget&, QWidget*)>;
using HeaderViewFactory = std::function<QWidget*(CTAVIKSDIDoc&, QWidget*)>;

struct SItemViewFactories {
    std::array<ItemViewFactory, kItemPages> pages;
    HeaderViewFactory header;
};

// The views of the main view: a page is built by putting its view's factory in here.
SItemViewFactories DefaultItemViews();

}  // namespace tavik
