#pragma once

#include <optional>
#include <string>

#include "device/IqFileSource.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `--receiver SPEC` with its IQ options, shared by the commands that measure: the recordings
// by default, `iq:FILE.sigmf-meta` or a raw `iq:FILE.cu8|.cs16|.cf32` with --iq-rate and
// --iq-frequency.
struct CReceiverChoice {
    std::optional<std::string> iqFile;
    std::optional<double> iqRate;       // Hz
    std::optional<double> iqFrequency;  // Hz

    // Adds --receiver, --iq-rate and --iq-frequency to `command`.
    void AddOptions(CLI::App& command);
    // The IQ source to use, tuned to `stationMhz` (default: the capture's centre); nullopt
    // for the recordings.
    std::optional<CIqSourceSettings> IqSettings(std::optional<double> stationMhz) const;
};

}  // namespace tavik
