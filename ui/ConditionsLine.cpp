#include "ui/ConditionsLine.h"

#include "analysis/MultipathResult.h"
#include "platform/GenericException.h"
#include "ui/MainViewLayout.h"

namespace tavik {

namespace {

constexpr int kStripWidth = 500;
constexpr int kStripHeight = 30;

}  // namespace

std::string FormatConditions(float level, float multipath, int status) {
    if (status == 3) {
        return StringFormat("ITU-R Measurement Conditions >> Deviation too low (< %.1f kHz)",
                            static_cast<double>(CMultipathResult::kMinimumDeviation));
    }
    std::string line =
        StringFormat("ITU-R Measurement Conditions >> RF Level: %.1f dBuV  |  ",
                     static_cast<double>(level)) +
        StringFormat("Multipath: %.2f %%/kHz  |  Status: ", static_cast<double>(multipath));
    if (status == 1) {
        line += "OK";
    } else if (status == 2) {
        line += "STOP";
    }
    return line;
}

QRect ConditionsRect(int width) {
    // right = right edge - 1, then deflated: left + 5, top + 2, right - 8
    return EdgeRect(width - kStripWidth + 5, 2, width - 1 - 8, kStripHeight);
}

}  // namespace tavik
