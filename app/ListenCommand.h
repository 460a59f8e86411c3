#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/ReceiverOptions.h"
#include "document/DecoderOverrides.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// What `tavik listen` was told.
struct CListenOptions {
    std::string strDataFolder;  // the recordings; empty: the working directory
    CReceiverChoice receiver;
    std::optional<double> station;  // MHz, of a capture or a live receiver
    std::string strOut = "-";       // the WAV file, "-" for the standard output
    std::optional<int> seconds;     // of programme; default: to the source's end (or a signal)
    CDecoderOverrides decoder;      // the de-emphasis counts here; 50 us without
};

// `tavik listen [DIR | --receiver R] [--station MHZ] [--out FILE.wav | -] [--seconds N]
// [--deemphasis 50|75]`: the station's programme as the stereo decoder gives it (with
// de-emphasis), resampled to a 48000 Hz, 2-channel, 16-bit WAV; 0 dBFS is full modulation.
class CListenCommand {
public:
    explicit CListenCommand(CLI::App& parent);
    CListenCommand(const CListenCommand&) = delete;
    CListenCommand& operator=(const CListenCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    const CListenOptions& Options() const { return m_options; }
    // After a successful parse. Returns the exit code: 0 done (also when the reader of the
    // standard output went away), 1 the source or the output failed, 130 stopped by a signal
    // (a file is closed whole with what was decoded).
    int Run(std::ostream& err) const;

private:
    CLI::App* m_pCommand;
    CListenOptions m_options;
};

}  // namespace tavik
