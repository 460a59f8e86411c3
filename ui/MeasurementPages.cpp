#include "ui/MeasurementPages.h"

#include "ui/PlaceholderViews.h"

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

MeasurementViewFactory Placeholder(const char* description) {
    return [description](CTAVIKSDIDoc& doc, QWidget* parent) -> CMeasurementView* {
        return new CPlaceholderMeasurementView(doc, parent, QString::fromLatin1(description));
    };
}

}  // namespace

MeasurementViewFactories DefaultMeasurementViews() {
    return {
        Placeholder("The distribution of the MPX deviation (relative and accumulated) with the "
                    "deviation limit, the maximum deviation and a level meter of the current "
                    "deviation will be shown here."),
        Placeholder("The MPX power over the last minute, 10 minutes or hour and a level meter "
                    "of the current MPX power in dBr will be shown here."),
        Placeholder("The MPX spectrum with its peak hold and the choice of window function "
                    "will be shown here."),
        Placeholder("The MPX signal and the RF level against time will be shown here."),
        Placeholder("The RF level against deviation, the multipath values, the ITU-R condition "
                    "lamps, the calibration and the RDS bit error rate will be shown here."),
        Placeholder("The decoded RDS data of the station (PI, PS, programme type, radio text, "
                    "alternative frequencies, clock time, other networks) will be shown here."),
    };
}

}  // namespace tavik
