#pragma once

#include <array>
#include <functional>

#include "platform/AnalyserResult.h"

class QWidget;

namespace tavik {

class CTAVIKSDIDoc;
class CMeasurementView;

// The seven measurement pages of the data view, in index order (the radio group's order).
enum : int {
    PAGE_DEVIATION = 0,
    PAGE_POWER = 1,
    PAGE_SPECTRUM = 2,
    PAGE_SIGNAL = 3,
    PAGE_QUALITY = 4,
    PAGE_RDS = 5,
    PAGE_STEREO = 6,
};
inline constexpr int kMeasurementPages = 7;

struct SMeasurementPage {
    const char* strButton;      // selector button text
    int nControlId;             // selector button identifier
    int nButtonX;               // button position in dialog units (y 16, 60 x 15 units)
    const char* strWindowName;  // the view's window name
    int nWindowId;              // the view's window identifier
    const char* strTitle;       // the item pane's title while the page is shown
};

extern const std::array<SMeasurementPage, kMeasurementPages> kMeasurementPageTable;

// The page whose view takes a result code of WM_ANALYSER_RESULT, or -1 when no view takes it
// (EResultCode::Multipath goes to the document only).
int PageForResultCode(EResultCode code);

// Makes a page's view as a child of the data view (which owns it from then on).
using MeasurementViewFactory = std::function<CMeasurementView*(CTAVIKSDIDoc&, QWidget* parent)>;
using MeasurementViewFactories = std::array<MeasurementViewFactory, kMeasurementPages>;

// The view of each page: a page is built by putting its view's factory in here.
MeasurementViewFactories DefaultMeasurementViews();

}  // namespace tavik
