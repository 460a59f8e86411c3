#include "device/ReceiverSources.h"

namespace tavik {

void CReceiverAdjustments::ApplyTo(CReceiverSources& sources) const {
    if (sources.live) {
        sources.live->gain = gain ? gain : sources.live->gain;
        sources.live->fullScale = fullScale ? fullScale : sources.live->fullScale;
        sources.live->ppm = ppm ? ppm : sources.live->ppm;
    }
    if (sources.iq && fullScale) {
        sources.iq->fullScale = fullScale;
    }
}

std::optional<CReceiverSources> ReceiverSources(const std::string& receiver,
                                                std::optional<double> station) {
    CReceiverSources sources;
    if (receiver.empty()) {
        return sources;
    }
    if (const auto file = CIqFileSource::FileOfReceiver(receiver)) {
        if (file->empty()) {
            return std::nullopt;
        }
        sources.iq = CIqSourceSettings{*file, std::nullopt, std::nullopt, station, std::nullopt};
    } else if (auto live = CLiveSourceSettings::FromName(receiver)) {
        live->station = station;
        sources.live = std::move(live);
    } else {
        return std::nullopt;
    }
    return sources;
}

}  // namespace tavik
