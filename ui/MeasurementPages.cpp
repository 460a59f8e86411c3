#include "ui/MeasurementPages.h"

#include "ui/DeviationView.h"
#include "ui/PMPXView.h"
#include "ui/QualityView.h"
#include "ui/RDSView.h"
#include "ui/SignalView.h"
#include "ui/SpectrumView.h"
#include "ui/StereoAudioView.h"

namespace tavik {

const std::array<SMeasurementPage, kMeasurementPages> kMeasurementPageTable = {{
    {"MPX Deviation", 1076, 130, "MPX Deviation", 113, "Measurement - MPX Deviation"},
    {"MPX Power", 1078, 190, "MPX Power", 114, "Measurement - MPX Power"},
    {"MPX Spectrum", 1082, 250, "MPX Spectrum", 112, "Measurement - MPX Spectrum"},
    {"Signal Scope", 1085, 0, "Time Signals", 115, "Measurement - MPX Signal"},
    {"Signal Quality", 1088, 60, "Quality View", 117, "Measurement - Signal Quality"},
    {"RDS Data", 1090, 320, "RDS View", 116, "Measurement - RDS Data"},
    {"Stereo && Audio", 1092, 380, "Stereo Audio View", 119, "Measurement - Stereo and Audio"},
}};

int PageForResultCode(EResultCode code) {
    switch (code) {
        case EResultCode::TimeSignal:
            return PAGE_SIGNAL;
        case EResultCode::Spectrum:
        case EResultCode::PeakHold:
            return PAGE_SPECTRUM;
        case EResultCode::DeviationRelative:
        case EResultCode::DeviationPeak:
        case EResultCode::DeviationAccumulated:
        case EResultCode::DeviationMax:
            return PAGE_DEVIATION;
        case EResultCode::PowerHistory:
        case EResultCode::Power1s:
            return PAGE_POWER;
        case EResultCode::RdsData:
            return PAGE_RDS;
        case EResultCode::RdsQuality:
        case EResultCode::SegmentPeaks:
        case EResultCode::Reception:
            return PAGE_QUALITY;
        case EResultCode::MpxReadings:
            return PAGE_STEREO;
        case EResultCode::None:
        case EResultCode::Multipath:
            return -1;
    }
    return -1;
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
        View<CDeviationView>(), View<CPMPXView>(), View<CSpectrumView>(),    View<CSignalView>(),
        View<CQualityView>(),   View<CRDSView>(),  View<CStereoAudioView>(),
    };
}

}  // namespace tavik
