#pragma once

#include <optional>
#include <string>

#include "app/MonitorValues.h"
#include "platform/Time.h"

namespace tavik {

// The monitor's one line per second, each label before its value, e.g.
//   00:01:05 dev 48.3 max 77.1 kHz | mpx 1s 2.95 60s 3.02 dBr | mp 0.12 %/kHz OK |
//   rf 65.1 dBuV | PI D313 PS "TAVIK FM" BER 0.00 % | alarms -
// (on one line), ending in " | dropped analysers 5, rds 1" once a busy consumer dropped work.
// A quantity without a value yet shows "-". Through a software receiver, "| cn 38.2 dB fe
// +0.12 kHz +1.1 ppm" follows the RF level ("OVERLOAD" after it when the converter clips),
// and while its stream is broken the line ends in " | NO RECEIVER (the cause)".
class CStatusLine {
public:
    static std::string Format(CTimeSpan elapsed, const CMonitorValues& values,
                              const std::string& activeAlarms);

    // "HH:MM:SS", hours counting on past 24.
    static std::string FormatElapsed(CTimeSpan elapsed);
    // Fixed decimals; "-" without a value, "-inf"/"inf"/"nan" for those values (the power of a
    // silent block is -inf dBr).
    static std::string FormatValue(std::optional<float> value, int decimals);
    // "OK" (conditions met), "STOP" (level or multipath outside), "LOW-DEV" (deviation too
    // low), "-" for no result or an unknown status.
    static const char* StatusText(int status);
    // " | cn 38.2 dB fe +0.12 kHz +1.1 ppm" (and " OVERLOAD"); empty without a reception.
    static std::string ReceptionText(const CMonitorValues& values);
    // " | pilot 6.8 kHz rds 3.0 kHz | L -6.0 R -6.1 dB", "no pilot" and "no rds" without them,
    // " SILENCE" added while the programme is silent; dashes before the first readings.
    static std::string ReadingsText(const std::optional<CMpxReadings>& readings);
};

}  // namespace tavik
