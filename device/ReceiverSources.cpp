#include "device/ReceiverSources.h"

namespace tavik {

std::optional<CReceiverSources> ReceiverSources(const std::string& spec,
                                                std::optional<double> station) {
    CReceiverSources sources;
    if (spec.empty()) {
        return sources;
    }
    if (const auto file = CIqFileSource::FileOfReceiver(spec)) {
        if (file->empty()) {
            return std::nullopt;
        }
        sources.iq = CIqSourceSettings{*file, std::nullopt, std::nullopt, station, std::nullopt};
    } else if (auto live = CLiveSourceSettings::FromSpec(spec)) {
        live->station = station;
        sources.live = std::move(live);
    } else {
        return std::nullopt;
    }
    return sources;
}

}  // namespace tavik
