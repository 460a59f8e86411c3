#include "ui/ItemPages.h"

#include "ui/AlarmView.h"
#include "ui/DataView.h"
#include "ui/HeaderView.h"
#include "ui/ProtocolView.h"
#include "ui/SettingsView.h"

namespace tavik {

SItemViewFactories DefaultItemViews() {
    SItemViewFactories factories;
    factories.pages = {
        [](CTAVIKSDIDoc& doc, CGuiMessageTarget&, QWidget* parent) -> CItemView* {
            return new CProtocolView(doc, parent);
        },
        [](CTAVIKSDIDoc& doc, CGuiMessageTarget&, QWidget* parent) -> CItemView* {
            return new CSettingsView(doc, parent);
        },
        [](CTAVIKSDIDoc& doc, CGuiMessageTarget& window, QWidget* parent) -> CItemView* {
            return new CDataView(doc, window, parent);
        },
        [](CTAVIKSDIDoc& doc, CGuiMessageTarget&, QWidget* parent) -> CItemView* {
            return new CAlarmView(doc, parent);
        },
    };
    factories.header = [](CTAVIKSDIDoc& doc, QWidget* parent) -> QWidget* {
        return new CHeaderView(doc, parent);
    };
    return factories;
}

}  // namespace tavik
