#include "app/ReceiverOptions.h"

#include <CLI/CLI.hpp>

#include "tools/CommandLineValues.h"

namespace tavik {

void CReceiverChoice::AddOptions(CLI::App& c, bool liveSources) {
    const std::string kinds = liveSources ? "iq:FILE, rtltcp:HOST[:PORT] or soapy:ARGS" : "iq:FILE";
    AddTextOption(
        c, "--receiver", "RECEIVER",
        liveSources ? "where the signal comes from: the recordings (default); iq:FILE, a SigMF\n"
                      "capture (FILE.sigmf-meta) or raw IQ (FILE.cu8, .cs16, .cf32); or\n"
                      "rtltcp:HOST[:PORT], an rtl_tcp server (port 1234 by default); or\n"
                      "soapy:ARGS, a local SDR through SoapySDR (soapy:driver=rtlsdr)"
                    : "where the signal comes from: the recordings (default) or iq:FILE, a SigMF\n"
                      "capture (FILE.sigmf-meta) or raw IQ (FILE.cu8, .cs16, .cf32)",
        [this, kinds, liveSources](const std::string& v) {
            if (const auto file = CIqFileSource::FileOfReceiver(v); file && !file->empty()) {
                iqFile = *file;
                return;
            }
            if (auto settings = CLiveSourceSettings::FromName(v);
                settings && liveSources && v.size() > 7) {
                live = std::move(settings);
                return;
            }
            throw COptionValueError("\"" + v + "\" is not " + kinds);
        });
    AddNumberOption(c, "--iq-rate", "HZ",
                    liveSources ? "IQ samples per second of a raw IQ file or a live receiver\n"
                                  "(live default 1200000)"
                                : "IQ samples per second of a raw IQ file",
                    1.0, 1e8, [this](double v) { iqRate = v; });
    AddNumberOption(c, "--iq-frequency", "MHZ", "centre frequency of a raw IQ file", 1.0, 6000.0,
                    [this](double v) { iqFrequency = v * 1e6; });
    AddNumberOption(c, "--full-scale", "DBUV",
                    "level calibration: the RF level of a carrier at 0 dBFS (default: the\n"
                    "capture's tavik:full_scale_dbuv or the live receiver's kept one, else\n"
                    "100); a live receiver keeps it",
                    -50.0, 250.0, [this](double v) { fullScale = v; });
    if (liveSources) {
        AddNumberOption(c, "--gain", "DB", "the live receiver's tuner gain (default: automatic)",
                        0.0, 100.0, [this](double v) { gain = v; });
    }
}

std::optional<CIqSourceSettings> CReceiverChoice::IqSettings(
    std::optional<double> stationMhz) const {
    if (!iqFile) {
        return std::nullopt;
    }
    CIqSourceSettings settings;
    settings.strFile = *iqFile;
    settings.rate = iqRate;
    settings.centre = iqFrequency;
    settings.fullScale = fullScale;
    if (stationMhz) {
        settings.station = *stationMhz * 1e6;
    }
    return settings;
}

std::optional<CLiveSourceSettings> CReceiverChoice::LiveSettings(
    std::optional<double> stationMhz) const {
    if (!live) {
        return std::nullopt;
    }
    CLiveSourceSettings settings = *live;
    settings.fRate = iqRate.value_or(CLiveSourceSettings::kDefaultRate);
    settings.gain = gain;
    settings.fullScale = fullScale;
    if (stationMhz) {
        settings.station = *stationMhz * 1e6;
    }
    return settings;
}

}  // namespace tavik
