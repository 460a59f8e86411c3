#include "app/MonitorView.h"

#include "app/StatusLine.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

void CMonitorView::OnUpdate(CView* /*sender*/, long hint, void* object) {
    if (object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    const std::string elapsed = CStatusLine::FormatElapsed(m_doc.GetElapsed());
    const std::string name = CAlarmEventRecorder::NameOf(m_doc, item);
    if (hint == HINT_ALARM_STATE) {
        m_out << elapsed << ' ' << CAlarmEventRecorder::FormatEvent(item) << std::endl;
    } else if (hint == HINT_ALARM_PROMPT) {
        m_out << elapsed << " Alarm \"" << name
              << "\" is acknowledged: it switches off when its condition clears." << std::endl;
    }
}

}  // namespace tavik
