#pragma once

#include <cstdint>
#include <vector>

#include "document/ResultRecord.h"

namespace tavik {

// A day's records as one value per second: in time order, each second once, and the values that
// were not measured taken out (NaN).
//
// The deviation of a second is its peak where the record holds one (the value the deviation
// alarms compare), else the last value the second recorded (files of earlier versions).
//
// A record without signal holds no measured values: all three are taken out. After one, as at
// the start of a run, the document writes 0 until each analyser has a value again; the 60-second
// MPX power needs a minute of signal and the multipath value its first fit, so a run's first
// records hold 0.000000 for them. A run starts with the file, after a gap or after a second
// without signal; its leading exact zeros of MPX power and of multipath are such placeholders.
struct CDaySeconds {
    std::vector<CResultRecord> seconds;
    int nRepeated = 0;            // records of a second that already had one (the first is kept)
    int nNoSignal = 0;            // seconds recorded without signal
    int nDeviationLastValue = 0;  // seconds with signal whose record holds no peak
    int nPlaceholderMpx = 0;
    int nPlaceholderMultipath = 0;
};

CDaySeconds MakeDaySeconds(const std::vector<CResultRecord>& records);

}  // namespace tavik
