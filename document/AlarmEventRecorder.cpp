#include "document/AlarmEventRecorder.h"

#include "document/TAVIKSDIDoc.h"
#include "platform/GenericException.h"

namespace tavik {

std::string CAlarmEventRecorder::NameOf(const CTAVIKSDIDoc& doc, const CAlarmItem& item) {
    for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
        if (entry.item.get() == &item) {
            return entry.key;
        }
    }
    return item.m_strName;
}

void CAlarmEventRecorder::OnUpdate(CView*, long hint, void* object) {
    if (object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    if (hint == HINT_ALARM_PROMPT) {
        m_doc.AnswerAlarmPrompt(NameOf(m_doc, item), false);
        return;
    }
    if (hint != HINT_ALARM_STATE) {
        return;
    }
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
    // A change has no value to quote and no threshold to compare with.
    if (CAlarmItem::IsChangeSource(item.m_nSource)) {
        return StringFormat("Alarm \"%s\" caused an alarm because %s", item.m_strName.c_str(),
                            CAlarmItem::GetSourceText(item.m_nSource));
    }
    return StringFormat(
        "Alarm \"%s\" caused an alarm because %s(%.3f) %s %.3f%s", item.m_strName.c_str(),
        CAlarmItem::GetSourceText(item.m_nSource), static_cast<double>(item.m_fTriggerValue),
        CAlarmItem::GetRelationText(item.m_nRelation), static_cast<double>(item.m_fThreshold),
        CAlarmItem::GetUnitText(item.m_nSource));
}

}  // namespace tavik
