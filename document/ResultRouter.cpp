#include "document/ResultRouter.h"

#include <vector>

#include "analysis/MultipathResult.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

bool CResultRouter::Route(const CMessage& message) {
    switch (message.message) {
        case WM_ANALYSER_RESULT:
            RouteAnalyserResult(message);
            return true;
        case WM_TRANSFER_ERROR:
            OnDeviceError(static_cast<int>(message.wParam), static_cast<int>(message.lParam),
                          message.pText.get());
            return true;
        case WM_ANALYSER_ERROR:
            return true;  // the analyser repeats it; nothing to do here
        default:
            return false;
    }
}

void CResultRouter::RouteAnalyserResult(const CMessage& message) {
    const CAnalyserResult& result = message.result;
    // The level alarms watch the RF level fall with the carrier, so it is taken before the
    // values that only stand with a carrier are dropped.
    if (const CMultipathResult* multipath = result.Get<EResultCode::Multipath>();
        multipath != nullptr && multipath->HasValue()) {
        m_doc.OnRfLevel(multipath->m_fLevel);
    }
    if (!m_doc.HasSignal() &&
        (result.Code() == EResultCode::DeviationPeak ||
         result.Code() == EResultCode::PowerHistory || result.Code() == EResultCode::Multipath ||
         result.Code() == EResultCode::MpxReadings)) {
        return;  // of blocks before the loss, still on their way: not measured values
    }
    if (const float* peak = result.Get<EResultCode::DeviationPeak>()) {
        m_doc.SetResultValue(EResultValue::Deviation, *peak);
    } else if (const auto* history = result.Get<EResultCode::PowerHistory>()) {
        if (!history->empty()) {
            m_doc.SetResultValue(EResultValue::MpxPower, history->front());  // newest first
        }
    } else if (auto multipath = result.Share<EResultCode::Multipath>()) {
        m_doc.OnMultipathResult(multipath);
        if (multipath->HasValue()) {
            m_doc.SetResultValue(EResultValue::Multipath, multipath->m_fMultipath);
        }
        m_doc.UpdateAllViews(nullptr, HINT_MULTIPATH_RESULT);
    } else if (const CRDSSnapshot* rds = result.Get<EResultCode::RdsData>()) {
        m_doc.OnStationDecoded(rds->m_data);
        m_doc.OnRdsGroups(rds->m_nGroupCount);
    } else if (const CMpxReadings* readings = result.Get<EResultCode::MpxReadings>()) {
        m_doc.OnMpxReadings(*readings);
    } else if (const CReception* reception = result.Get<EResultCode::Reception>()) {
        m_doc.OnReception(*reception);
    }
    // The other results are the views' own.
}

void CResultRouter::OnDeviceError(int errorId, int subId, const std::string* text) {
    if (errorId == EXC_TAVIKCONTROL && (subId == CTavikControl::SUBID_RECEPTION_LOST ||
                                        subId == CTavikControl::SUBID_RECEPTION_BACK ||
                                        subId == CTavikControl::SUBID_SAMPLES_DROPPED)) {
        // A live receiver's stream broke, came back or lost samples: the device reconnects by
        // itself and the measurement goes on; the log keeps what happened.
        m_doc.LogReception("Receiver: " +
                           (text != nullptr ? *text : m_doc.GetDevice().ReceptionNotice()));
        if (subId != CTavikControl::SUBID_SAMPLES_DROPPED) {
            m_doc.OnReceiverLost(subId == CTavikControl::SUBID_RECEPTION_LOST);
        }
        return;
    }
    m_doc.OnMeasurementStop();
    m_doc.UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
    m_doc.GetPrompt().MessageBox(
        CTAVIKSDIDoc::GetErrorMessage(errorId, subId, "ADCTransfer: Error in thread!\n"),
        MB_ICONEXCLAMATION);
}

}  // namespace tavik
