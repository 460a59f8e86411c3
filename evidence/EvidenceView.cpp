#include "evidence/EvidenceView.h"

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
    const std::string file = m_clips.Request(item.m_strName, m_doc.GetClock().Now());
    m_doc.WriteLog(kEvidenceClipPrefix + std::string(kEvidenceFolder) + "/" + file);
}

CEvidenceSession::CEvidenceSession(CTAVIKSDIDoc& doc, const std::string& logFolder, int seconds,
                                   std::uint64_t maxBytes)
    : m_doc(doc),
      m_pClips(
          std::make_unique<CEvidenceClips>(logFolder + "/" + kEvidenceFolder, seconds, maxBytes)),
      m_pView(std::make_unique<CEvidenceView>(doc, *m_pClips)) {
    m_doc.AddView(m_pView.get());
    m_doc.SetMpxTap(m_pClips.get());
    m_doc.GetDevice().SetIqTap(m_pClips.get());
}

CEvidenceSession::~CEvidenceSession() {
    m_doc.SetMpxTap(nullptr);
    m_doc.GetDevice().SetIqTap(nullptr);
    m_doc.RemoveView(m_pView.get());
}

std::string CEvidenceSession::Finish() {
    m_pClips->Flush();
    const int failures = m_pClips->GetFailures();
    if (failures == 0) {
        return {};
    }
    return std::to_string(failures) + (failures == 1 ? " evidence clip" : " evidence clips") +
           " could not be written; the last: " + m_pClips->GetLastFailure();
}

}  // namespace tavik
