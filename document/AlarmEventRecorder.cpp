#include "document/AlarmEventRecorder.h"

#include "document/GenericException.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

void CAlarmEventRecorder::OnUpdate(CView*, long hint, void* object) {
    if (hint != HINT_ALARM_STATE || object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    if (item.m_bActive) {
        ++m_activations[&item];
    }
    const std::string line = FormatEvent(item);
    m_doc.WriteLog(line);
    if (m_listener) {
        m_listener(line);
    }
}

int CAlarmEventRecorder::GetActivations(const CAlarmItem* item) const {
    const auto it = m_activations.find(item);
    return it == m_activations.end() ? 0 : it->second;
}

std::string CAlarmEventRecorder::FormatEvent(const CAlarmItem& item) {
    if (!item.m_bActive) {
        return "Alarm \"" + item.m_strName + "\" was reset.";
    }
    return StringFormat(
        "Alarm \"%s\" caused an alarm because %s(%.3f) %s %.3f%s", item.m_strName.c_str(),
        CAlarmItem::GetSourceText(item.m_nSource), static_cast<double>(item.m_fTriggerValue),
        CAlarmItem::GetRelationText(item.m_nRelation), static_cast<double>(item.m_fThreshold),
        CAlarmItem::GetUnitText(item.m_nSource));
}

}  // namespace tavik
