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

// The sources a receiver text names, tuned to `station` (Hz) when given: "" the recordings,
// "iq:FILE", "rtltcp:HOST[:PORT]" or "soapy:ARGS"; nullopt when it names no receiver.
std::optional<CReceiverSources> ReceiverSources(const std::string& receiver,
                                                std::optional<double> station);

}  // namespace tavik
