#pragma once

#include <optional>
#include <string>

#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"

namespace tavik {

// What the receiver plays instead of the recordings: an IQ recording or a live IQ stream.
struct CReceiverSources {
    std::optional<CIqSourceSettings> iq;
    std::optional<CLiveSourceSettings> live;
};

// What a command line sets of whichever receiver ends up used: a live receiver's gain, level
// calibration and frequency correction; an IQ recording's level calibration.
struct CReceiverAdjustments {
    std::optional<double> gain;       // dB
    std::optional<double> fullScale;  // dBuV of a carrier at 0 dBFS
    std::optional<double> ppm;        // frequency correction

    // Sets what was given; the rest stays as it was.
    void ApplyTo(CReceiverSources& sources) const;
};

// The sources a receiver text names, tuned to `station` (Hz) when given: "" the recordings,
// "iq:FILE", "rtltcp:HOST[:PORT]" or "soapy:ARGS"; nullopt when it names no receiver.
std::optional<CReceiverSources> ReceiverSources(const std::string& receiver,
                                                std::optional<double> station);

}  // namespace tavik
