#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/MultipathResult.h"
#include "platform/DropCounters.h"
#include "platform/MessageTarget.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

// The newest value of each quantity the status line and the JSON lines show, taken from the
// analysers' result messages on the main thread; nothing until the first result of its kind
// arrived.
struct CMonitorValues {
    std::optional<float> deviation;                     // kHz, code 4
    std::optional<float> maxDeviation;                  // kHz, code 6
    std::optional<float> secondPeak;                    // kHz, largest code 4 of this second
    std::optional<float> exceed75;                      // % of half-block peaks >= 75 kHz, code 5
    std::optional<float> power1s;                       // dBr, code 12
    std::optional<float> power60s;                      // dBr, newest of code 7
    std::shared_ptr<const CMultipathResult> multipath;  // code 8
    std::shared_ptr<const CRDSSnapshot> rds;            // codes 9 and 11
    CDropCounts drops;                                  // since the start, set every second
    std::uint64_t nDeviceErrors = 0;  // failures the device's and analysis threads posted
    std::uint64_t nResults = 0;       // analyser results taken since the start

    // Takes what a result message carries and counts thread failures (1045, 1047); other
    // messages and codes are left alone.
    void Take(const CMessage& message);
    // A new second begins: its peak starts empty.
    void StartSecond() { secondPeak.reset(); }
    // After a stop: the analysers were cleared, so their values no longer stand.
    void Clear() { *this = CMonitorValues(); }
};

}  // namespace tavik
