#include "platform/AnalyserResult.h"
#include "platform/Messages.h"
#include "ui/DataView.h"
#include "ui/MeasurementView.h"

namespace tavik {

// The document first (current values, the multipath result and HINT_MULTIPATH_RESULT, a transfer
// failure's stop and box), then the view of the result's page.
void CDataView::OnMessage(const CMessage& message) {
    m_router.Route(message);
    if (message.message == WM_ANALYSER_RESULT) {
        OnAnalyserResult(message);
    }
}

void CDataView::OnAnalyserResult(const CMessage& message) {
    const int page = PageForResultCode(message.result.Code());
    if (page < 0) {
        return;
    }
    m_views[page]->OnResult(message.result);
}

}  // namespace tavik
