#include "app/MonitorView.h"

#include "app/StatusLine.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

std::string CMonitorView::FormatAlarmEvent(const std::string& name, const CAlarmItem& item) {
    if (!item.m_bActive) {
        return "alarm \"" + name + "\" cleared";
    }
    return StringFormat("alarm \"%s\" active: %s %s %s %s %s", name.c_str(),
                        CAlarmItem::GetSourceText(item.m_nSource),
                        CStatusLine::FormatValue(item.m_fTriggerValue, 2).c_str(),
                        CAlarmItem::GetUnitText(item.m_nSource),
                        CAlarmItem::GetRelationText(item.m_nRelation),
                        CStatusLine::FormatValue(item.m_fThreshold, 2).c_str());
}

void CMonitorView::OnUpdate(CView* /*sender*/, long hint, void* object) {
    if (object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    const std::string elapsed = CStatusLine::FormatElapsed(m_doc.m_elapsed);
    const std::string name = CAlarmEventRecorder::NameOf(m_doc, item);
    if (hint == HINT_ALARM_STATE) {
        m_out << elapsed << ' ' << FormatAlarmEvent(name, item) << std::endl;
    } else if (hint == HINT_ALARM_PROMPT) {
        m_out << elapsed << " alarm \"" << name
              << "\" acknowledged: it switches off when its condition clears" << std::endl;
    }
}

}  // namespace tavik
