#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DropCounters.h"

namespace tavik {

// What the metrics endpoint shows: a copy of the measurement's values and counters, made once a
// second on the measurement's thread and read by the HTTP threads. A gauge without a value has
// not been measured yet and is left out of the exposition.
struct CMetricsSnapshot {
    struct CAlarm {
        std::string strName;
        bool bActive = false;
        std::uint64_t nActivations = 0;  // since the start
    };

    std::string strVersion;
    float fFrequency = 0.0f;  // MHz, tuned
    std::string strPI;        // RDS PI ("D313"); empty before the first decode
    std::string strPS;        // PS in UTF-8 without its padding; empty: none to show

    std::optional<float> deviationPeak;        // kHz, largest peak of the last second
    std::optional<float> deviationMax;         // kHz, since the start
    std::uint64_t nDeviationBlocks = 0;        // 100 ms blocks whose deviation peak was measured
    std::uint64_t nDeviationBlocksOver75 = 0;  // of them, those with a peak of 75 kHz or more
    std::optional<float> power1s;              // dBr
    std::optional<float> power60s;             // dBr
    // The MPX readings of the last second; the injections 0 without a pilot or RDS.
    std::optional<float> pilot;          // kHz of deviation
    std::optional<float> pilotError;     // Hz above 19000; none without a pilot
    std::optional<float> rdsInjection;   // kHz of deviation
    std::optional<float> audioLeft;      // dB of full modulation (75 kHz), peak
    std::optional<float> audioRight;     // dB of full modulation (75 kHz), peak
    std::optional<float> silence;        // 1 while the programme is silent, else 0
    std::optional<float> multipath;      // %/kHz
    std::optional<float> rfLevel;        // dBuV
    std::optional<bool> ituDeviation;    // segment peaks above the minimum deviation
    std::optional<bool> ituRfLevel;      // RF level above its minimum
    std::optional<bool> ituMultipath;    // multipath below its limit
    std::optional<float> rdsErrorRatio;  // bit error ratio, 0..1
    // A software receiver's reception; nothing with the recordings.
    std::optional<float> carrierToNoise;  // dB in 200 kHz
    std::optional<float> frequencyError;  // Hz
    std::optional<float> overloadRatio;   // IQ samples at the converter's limits, 0..1
    bool bReceptionUp = true;             // samples arrive and a carrier is there
    std::optional<double> lastResult;     // seconds since 1970 of the last measured second
    std::vector<CAlarm> alarms;           // every alarm of the setup, in the set's order

    std::uint64_t nMeasuredSeconds = 0;
    std::uint64_t nRecordsWritten = 0;
    std::uint64_t nRecordsLost = 0;
    std::uint64_t nConsoleLinesDropped = 0;
    std::uint64_t nDeviceErrors = 0;
    CDropCounts drops;
};

}  // namespace tavik
