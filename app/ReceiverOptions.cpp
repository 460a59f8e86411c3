#include "app/ReceiverOptions.h"

#include <CLI/CLI.hpp>

#include "tools/CommandLineValues.h"

namespace tavik {

void CReceiverChoice::AddOptions(CLI::App& c) {
    AddTextOption(c, "--receiver", "SPEC",
                  "where the signal comes from: the recordings (default) or iq:FILE, a SigMF\n"
                  "capture (FILE.sigmf-meta) or raw IQ (FILE.cu8, .cs16, .cf32)",
                  [this](const std::string& v) {
                      const auto file = CIqFileSource::FileOfReceiver(v);
                      if (!file || file->empty()) {
                          throw COptionValueError("\"" + v + "\" is not iq:FILE");
                      }
                      iqFile = *file;
                  });
    AddNumberOption(c, "--iq-rate", "HZ", "IQ samples per second of a raw IQ file", 1.0, 1e8,
                    [this](double v) { iqRate = v; });
    AddNumberOption(c, "--iq-frequency", "MHZ", "centre frequency of a raw IQ file", 1.0, 6000.0,
                    [this](double v) { iqFrequency = v * 1e6; });
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
    if (stationMhz) {
        settings.station = *stationMhz * 1e6;
    }
    return settings;
}

}  // namespace tavik
