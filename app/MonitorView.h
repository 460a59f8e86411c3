#pragma once

#include <ostream>
#include <string>

#include "platform/Document.h"

namespace tavik {

class CAlarmItem;
class CTAVIKSDIDoc;

// The headless run's console view of the document: prints alarm events as the main timer's
// check raises them (the alarm event recorder logs them and answers the acknowledge question).
class CMonitorView final : public CView {
public:
    CMonitorView(CTAVIKSDIDoc& doc, std::ostream& out) : m_doc(doc), m_out(out) {}
    void OnUpdate(CView* sender, long hint, void* object) override;

    // "alarm \"NAME\" active: DEVIATION 81.20 kHz > 80.00" or "alarm \"NAME\" cleared".
    static std::string FormatAlarmEvent(const std::string& name, const CAlarmItem& item);

private:
    CTAVIKSDIDoc& m_doc;
    std::ostream& m_out;
};

}  // namespace tavik
