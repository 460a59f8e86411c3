#pragma once

#include <optional>
#include <string>

#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `--receiver RECEIVER` with its IQ options, shared by the commands that measure: the recordings
// by default, `iq:FILE.sigmf-meta` or a raw `iq:FILE.cu8|.cs16|.cf32` with --iq-rate and
// --iq-frequency, and where live sources are taken `rtltcp:HOST[:PORT]` or `soapy:ARGS` with
// --iq-rate (default 1.2 MS/s), --gain and --ppm.
struct CReceiverChoice {
    // The ranges --gain (dB), --full-scale (dBuV) and --ppm take, here and in the window.
    static constexpr double kMaxGain = 100.0;
    static constexpr double kMinFullScale = -50.0;
    static constexpr double kMaxFullScale = 250.0;
    static constexpr double kMaxPpm = 100.0;

    std::optional<std::string> iqFile;
    std::optional<CLiveSourceSettings> live;
    std::optional<double> iqRate;       // Hz
    std::optional<double> iqFrequency;  // Hz
    std::optional<double> gain;         // dB; automatic without
    std::optional<double> fullScale;    // dBuV of a carrier at 0 dBFS
    std::optional<double> ppm;          // the live receiver's frequency correction

    // Adds --receiver, --iq-rate, --iq-frequency, --full-scale and, with `liveSources`, --gain
    // and --ppm to `command`.
    void AddOptions(CLI::App& command, bool liveSources = true);
    // The IQ source to use, tuned to `stationMhz` (default: the capture's centre); nullopt
    // for the recordings.
    std::optional<CIqSourceSettings> IqSettings(std::optional<double> stationMhz) const;
    // The live source, tuned to `stationMhz` (default: the tuner frequency); nullopt without.
    std::optional<CLiveSourceSettings> LiveSettings(std::optional<double> stationMhz) const;
};

}  // namespace tavik
