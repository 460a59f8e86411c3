#pragma once

#include <cstdint>
#include <vector>

#include "document/ResultRecord.h"

namespace tavik {

// A day's records as one value per second: in time order, each second once, and the values a
// run of records carries before its analyser's first result taken out (NaN).
//
// The document starts a measurement with every value at 0 and writes each second the latest
// value; the 60-second MPX power needs a minute of signal and the multipath value its first
// fit, so a run's first records hold 0.000000 for them. A run starts with the file or after a
// gap; its leading exact zeros of MPX power and of multipath are such placeholders.
struct CDaySeconds {
    std::vector<CResultRecord> seconds;
    int nRepeated = 0;  // records of a second that already had one (the first is kept)
    int nPlaceholderMpx = 0;
    int nPlaceholderMultipath = 0;
};

CDaySeconds MakeDaySeconds(const std::vector<CResultRecord>& records);

}  // namespace tavik
