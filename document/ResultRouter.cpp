#include "document/ResultRouter.h"

#include <vector>

#include "analysis/MultipathResult.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"

namespace tavik {

bool CResultRouter::Route(const CMessage& message) {
    switch (message.message) {
        case WM_ANALYSER_RESULT:
            RouteAnalyserResult(message);
            return true;
        case WM_TRANSFER_ERROR:
            OnDeviceError(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
            return true;
        case WM_ANALYSER_ERROR:
            return true;  // the analyser repeats it; nothing to do here
        default:
            return false;
    }
}

void CResultRouter::RouteAnalyserResult(const CMessage& message) {
    if (!message.payload) {
        return;
    }
    switch (message.wParam) {
        case 4:
            m_doc.SetResultValue(4, *std::static_pointer_cast<const float>(message.payload));
            break;
        case 7: {
            const auto history =
                std::static_pointer_cast<const std::vector<float>>(message.payload);
            if (!history->empty()) {
                m_doc.SetResultValue(7, history->front());  // newest first
            }
            break;
        }
        case 8: {
            auto result = std::static_pointer_cast<const CMultipathResult>(message.payload);
            m_doc.OnMultipathResult(result);
            if (result->HasValue()) {
                m_doc.SetResultValue(8, result->m_fMultipath);
            }
            m_doc.UpdateAllViews(nullptr, HINT_MULTIPATH_RESULT);
            break;
        }
        default:
            break;  // the views' own results
    }
}

void CResultRouter::OnDeviceError(int errorId, int subId) {
    m_doc.OnMeasurementStop();
    m_doc.UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
    m_doc.GetPrompt().MessageBox(
        CTAVIKSDIDoc::GetErrorMessage(errorId, subId, "ADCTransfer: Error in thread!\n"),
        MB_ICONEXCLAMATION);
}

}  // namespace tavik
