#pragma once

#include <optional>

namespace tavik {

// The latest readings of the MPX levels analyser that alarms watch; empty while the analyser
// has not measured them.
struct CMpxReadings {
    std::optional<float> fPilotKhz;         // pilot injection
    std::optional<float> fRdsInjectionKhz;  // RDS injection
    std::optional<float> fSilenceSeconds;   // how long the programme has been silent
};

}  // namespace tavik
