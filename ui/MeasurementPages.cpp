#include "ui/MeasurementPages.h"

#include "ui/DeviationView.h"
#include "ui/PMPXView.h"
#include "ui/QualityView.h"
#include "ui/RDSView.h"
#include "ui/SignalView.h"
#include "ui/SpectrumView.h"

namespace tavik {

const std::array<SMeasurementPage, kMeasurementPages> kMeasurementPageTable = {{
    {"MPX Deviation", 1076, 130, "MPX Deviation", 113, "Measurement - MPX Deviation"},
    {"MPX Power", 1078, 190, "MPX Power", 114, "Measurement - MPX Power"},
    {"MPX Spectrum", 1082, 250, "MPX Spectrum", 112, "Measurement - MPX Spectrum"},
    {"Signal Scope", 1085, 0, "Time Signals", 115, "Measurement - MPX Signal"},
    {"Signal Quality", 1088, 60, "Quality View", 117, "Measurement - Signal Quality"},
    {"RDS Data", 1090, 320, "RDS View", 116, "Measurement - RDS Data"},
}};

int PageForResultCode(int code) {
    switch (code) {
        case 1:
            return PAGE_SIGNAL;
        case 2:
        case 10:
            return PAGE_SPECTRUM;
        case 3:
        case 4:
        case 5:
        case 6:
            return PAGE_DEVIATION;
        case 7:
        case 12:
            return PAGE_POWER;
        case 9:
            return PAGE_RDS;
        case 11:
        case 13:
            return PAGE_QUALITY;
        default:
            return -1;
    }
}

namespace {

template <class TView>
MeasurementViewFactory View() {
    return [](CTAVIKSDIDoc& doc, QWidget* parent) -> CMeasurementView* {
        return new TView(doc, parent);
    };
}

}  // namespace

MeasurementViewFactories DefaultMeasurementViews() {
    return {
        View<CDeviationView>(), View<CPMPXView>(),    View<CSpectrumView>(),
        View<CSignalView>(),    View<CQualityView>(), View<CRDSView>(),
    };
}

}  // namespace tavik
