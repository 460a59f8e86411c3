#include "ui/ItemPages.h"

#include "ui/DataView.h"
#include "ui/PlaceholderViews.h"

namespace tavik {

namespace {

ItemViewFactory Placeholder(const char* title, const char* description) {
    return
        [title, description](CTAVIKSDIDoc& doc, CGuiMessageTarget&, QWidget* parent) -> CItemView* {
            return new CPlaceholderItemView(doc, parent, QString::fromLatin1(title),
                                            QString::fromLatin1(description));
        };
}

}  // namespace

SItemViewFactories DefaultItemViews() {
    SItemViewFactories factories;
    factories.pages = {
        Placeholder("Protocol Settings",
                    "The protocol data of the measurement (operator, organisation, antennae, "
                    "location, comment) and the results folder with \"Enable Logging\" will be "
                    "set here."),
        Placeholder("Measurement Parameter",
                    "The tuned frequency and antenna input, and the RF panorama scan of the FM "
                    "band with its chart, will be set here."),
        [](CTAVIKSDIDoc& doc, CGuiMessageTarget& window, QWidget* parent) -> CItemView* {
            return new CDataView(doc, window, parent);
        },
        Placeholder("Alarm Settings",
                    "The alarms on deviation, MPX power and multipath, their switches and the "
                    "alarm log will be set and shown here."),
    };
    factories.header = [](CTAVIKSDIDoc&, QWidget* parent) -> QWidget* {
        return new CPlaceholderHeaderView(parent);
    };
    return factories;
}

}  // namespace tavik
