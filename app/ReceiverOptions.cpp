#include "app/ReceiverOptions.h"

#include <CLI/CLI.hpp>

#include "platform/TextParse.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

// The sample rates an RTL2832 can be set to (librtlsdr refuses the others), and in words.
constexpr const char* kRtl2832Rates = "225001 to 300000 or 900001 to 3200000";
bool IsRtl2832Rate(double rate) {
    return (rate >= 225001.0 && rate <= 300000.0) || (rate >= 900001.0 && rate <= 3200000.0);
}

}  // namespace

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
                    liveSources ? std::string("IQ samples per second of a raw IQ file or a live\n"
                                              "receiver (live default 1200000; rtltcp: ") +
                                      kRtl2832Rates + ")"
                                : "IQ samples per second of a raw IQ file",
                    1.0, CFmReceiver::kMaximumSampleRate, [this](double v) {
                        // --receiver was taken first, wherever it stands: CLI11 sets the
                        // options in the order they were added.
                        if (live && live->strName.rfind("rtltcp:", 0) == 0 && !IsRtl2832Rate(v)) {
                            throw COptionValueError(FormatNumber(v, 3) +
                                                    " is not a rate of an RTL2832 (" +
                                                    kRtl2832Rates + ")");
                        }
                        iqRate = v;
                    });
    AddNumberOption(c, "--iq-frequency", "MHZ",
                    "centre frequency of a raw IQ file, or where a live receiver shared by\n"
                    "--stations is tuned (default: clear of the stations, taking them all)",
                    1.0, 6000.0, [this](double v) { iqFrequency = v * 1e6; });
    AddNumberOption(c, "--full-scale", "DBUV",
                    "level calibration: the RF level of a carrier at 0 dBFS (default: the\n"
                    "capture's tavik:full_scale_dbuv or the live receiver's kept one, else\n"
                    "100); a live receiver keeps it",
                    kMinFullScale, kMaxFullScale, [this](double v) { fullScale = v; });
    if (liveSources) {
        AddNumberOption(c, "--gain", "DB", "the live receiver's tuner gain (default: automatic)",
                        0.0, kMaxGain, [this](double v) { gain = v; });
        AddNumberOption(c, "--ppm", "N",
                        "frequency correction of the live receiver's oscillator in ppm (rtl_tcp:\n"
                        "whole ppm; default: the receiver's kept one, else none); the receiver\n"
                        "keeps it",
                        -kMaxPpm, kMaxPpm, [this](double v) { ppm = v; });
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
    settings.ppm = ppm;
    if (stationMhz) {
        settings.station = *stationMhz * 1e6;
    }
    return settings;
}

}  // namespace tavik
