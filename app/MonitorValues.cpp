#include "app/MonitorValues.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/StatusLine.h"
#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr float kOvermodulationKhz = 75.0f;  // the maximum deviation of FM broadcasting

bool IsReceptionNotice(const CMessage& message, int subId) {
    return message.message == WM_TRANSFER_ERROR &&
           message.wParam == static_cast<std::uintptr_t>(EXC_TAVIKCONTROL) &&
           message.lParam == subId;
}

}  // namespace

void CMonitorValues::Take(const CMessage& message) {
    const bool measurable = HasSignal();
    if (IsReceptionNotice(message, CTavikControl::SUBID_RECEPTION_LOST)) {
        receiverLost = message.pText ? *message.pText : std::string("no samples");
        ++nDeviceErrors;
    } else if (IsReceptionNotice(message, CTavikControl::SUBID_RECEPTION_BACK)) {
        receiverLost.reset();
    } else if (message.message == WM_TRANSFER_ERROR || message.message == WM_ANALYSER_ERROR) {
        ++nDeviceErrors;
    }
    if (message.message == WM_ANALYSER_RESULT) {
        if (const CReception* received = message.result.Get<EResultCode::Reception>()) {
            reception = *received;
        }
    }
    if (measurable && !HasSignal()) {
        deviation.reset();
        secondPeak.reset();
        power1s.reset();
        power60s.reset();
        multipath.reset();
        mpxReadings.reset();
    }
    if (message.message != WM_ANALYSER_RESULT) {
        return;
    }
    ++nResults;
    const CAnalyserResult& result = message.result;
    if (!HasSignal() && result.Code() != EResultCode::RdsData &&
        result.Code() != EResultCode::RdsQuality) {
        return;  // results of blocks before the loss, still on their way
    }
    if (const CMpxReadings* readings = result.Get<EResultCode::MpxReadings>()) {
        mpxReadings = *readings;
    } else if (const float* peak = result.Get<EResultCode::DeviationPeak>()) {
        deviation = *peak;
        secondPeak = secondPeak ? std::max(*secondPeak, *peak) : *peak;
        ++nDeviationBlocks;
        nDeviationBlocksOver75 += *peak >= kOvermodulationKhz ? 1 : 0;
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

std::optional<CMonitorValues::SShownReception> CMonitorValues::ShownReception() const {
    if (!reception || receiverLost) {
        return std::nullopt;
    }
    const CReception& r = *reception;
    SShownReception shown;
    if (!std::isnan(r.fCarrierToNoise)) {
        shown.carrierToNoise = r.fCarrierToNoise;
    }
    if (r.bSignal && !std::isnan(r.fFrequencyError)) {
        shown.frequencyError = r.fFrequencyError;
        shown.frequencyErrorPpm = r.fFrequencyErrorPpm;
    }
    shown.overload = r.fOverload;
    return shown;
}

std::string CMonitorValues::Conditions() const {
    if (!HasSignal()) {
        return "NO-SIGNAL";
    }
    // Multipath outside its limit says more than the C/N that its distortion lowers too.
    if (reception && reception->LowCarrierToNoise() &&
        !(multipath && multipath->m_nStatus == CMultipathResult::STATUS_CONDITIONS_NOT_MET)) {
        return "LOW-CN";
    }
    return multipath ? CStatusLine::StatusText(multipath->m_nStatus) : "-";
}

}  // namespace tavik
