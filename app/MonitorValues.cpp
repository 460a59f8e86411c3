#include "app/MonitorValues.h"

#include <algorithm>
#include <vector>

#include "platform/Messages.h"

namespace tavik {

void CMonitorValues::Take(const CMessage& message) {
    if (message.message != WM_ANALYSER_RESULT || !message.payload) {
        return;
    }
    const auto number = [&] { return *std::static_pointer_cast<const float>(message.payload); };
    switch (message.wParam) {
        case 4:
            deviation = number();
            secondPeak = secondPeak ? std::max(*secondPeak, *deviation) : *deviation;
            break;
        case 5: {
            // Bin k holds the share at or above k + 1 kHz.
            const auto& accumulated =
                *std::static_pointer_cast<const std::vector<float>>(message.payload);
            if (accumulated.size() > 74) {
                exceed75 = accumulated[74];
            }
            break;
        }
        case 6:
            maxDeviation = number();
            break;
        case 12:
            power1s = number();
            break;
        case 7: {
            const auto& history =
                *std::static_pointer_cast<const std::vector<float>>(message.payload);
            if (!history.empty()) {
                power60s = history.front();  // newest first
            }
            break;
        }
        case 8:
            multipath = std::static_pointer_cast<const CMultipathResult>(message.payload);
            break;
        case 9:
        case 11:
            rds = std::static_pointer_cast<const CRDSSnapshot>(message.payload);
            break;
        default:
            break;
    }
}

}  // namespace tavik
