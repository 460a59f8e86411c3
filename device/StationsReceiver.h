#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"
#include "device/SharedIqStream.h"
#include "platform/Pacer.h"

namespace tavik {

// The receiver that several stations share: a capture played as a live receiver plays (at its
// pace on a pacer, looped), or a live receiver tuned once so that it takes every station.
struct CStationsReceiverChoice {
    // Without a rate given, a live receiver for several stations runs at 2.4 MS/s: what an
    // RTL-SDR keeps up, 2.4 MHz of the band at once.
    static constexpr double kDefaultRate = 2400000.0;

    std::optional<CIqSourceSettings> iq;      // a capture, or
    std::optional<CLiveSourceSettings> live;  // a live receiver (its rate not used)
    std::optional<double> rate;               // a live receiver's IQ rate, Hz
    std::optional<double> centre;             // where a live receiver is tuned, Hz; default:
                                              // clear of the stations, taking them all
    // Stations a live receiver cannot take at once are measured band by band, this long each.
    double dwellSeconds = 60.0;

    // Why the stations (Hz) cannot be taken ("" when they can, at once or band by band),
    // naming the band.
    std::string Fault(const std::vector<double>& stations) const;
};

struct CStationsReceiver {
    std::shared_ptr<CSharedIqStream> stream;
    // Each station's live source, but for its channel (Channel(i) of the stream) and station.
    CLiveSourceSettings station;
};

// Makes the shared receiver for `stations` (Hz; Fault("") first). A capture is paced on
// `pacer`, which must outlive the stream. Throws CIqSourceError, CIqStreamError or
// std::invalid_argument.
CStationsReceiver MakeStationsReceiver(const CStationsReceiverChoice& choice,
                                       const std::vector<double>& stations, CPacer& pacer);

// "98.100": a station's frequency in MHz with three decimals, as its folder and lines name it.
std::string StationName(double hertz);

}  // namespace tavik
