#include "device/ReceiverSources.h"

namespace tavik {

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
