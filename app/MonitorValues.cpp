#include "app/MonitorValues.h"

#include <algorithm>
#include <vector>

#include "platform/Messages.h"

namespace tavik {

void CMonitorValues::Take(const CMessage& message) {
    if (message.message == WM_TRANSFER_ERROR || message.message == WM_ANALYSER_ERROR) {
        ++nDeviceErrors;
    }
    if (message.message != WM_ANALYSER_RESULT) {
        return;
    }
    ++nResults;
    const CAnalyserResult& result = message.result;
    if (const float* peak = result.Get<EResultCode::DeviationPeak>()) {
        deviation = *peak;
        secondPeak = secondPeak ? std::max(*secondPeak, *peak) : *peak;
    } else if (const auto* accumulated = result.Get<EResultCode::DeviationAccumulated>()) {
        // Bin k holds the share at or above k + 1 kHz.
        if (accumulated->size() > 74) {
            exceed75 = (*accumulated)[74];
        }
    } else if (const float* maximum = result.Get<EResultCode::DeviationMax>()) {
        maxDeviation = *maximum;
    } else if (const float* power = result.Get<EResultCode::Power1s>()) {
        power1s = *power;
    } else if (const auto* history = result.Get<EResultCode::PowerHistory>()) {
        if (!history->empty()) {
            power60s = history->front();  // newest first
        }
    } else if (auto fit = result.Share<EResultCode::Multipath>()) {
        multipath = std::move(fit);
    } else if (auto data = result.Share<EResultCode::RdsData>()) {
        rds = std::move(data);
    } else if (auto quality = result.Share<EResultCode::RdsQuality>()) {
        rds = std::move(quality);
    }
}

}  // namespace tavik
