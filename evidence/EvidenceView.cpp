#include "evidence/EvidenceView.h"

#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "evidence/EvidenceClips.h"

namespace tavik {

void CEvidenceView::OnUpdate(CView*, long hint, void* object) {
    if (hint != HINT_ALARM_STATE || object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    if (!item.m_bActive) {
        return;
    }
    m_strLastClip = "evidence/" + m_clips.Request(item.m_strName, m_doc.GetClock().Now());
    m_doc.WriteLog(kEvidenceClipPrefix + m_strLastClip);
}

}  // namespace tavik
